#include "RtfCodePages.h"

#include <QStringDecoder>

#include <QSysInfo>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <mutex>

namespace {

const iconv_t NoConverter = reinterpret_cast<iconv_t>(-1);

const char* Utf16Name() { return QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE"; }

bool IsMultiByte(int codePage)
{
    switch (codePage) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case 10001:
    case 10002:
    case 10003:
    case 10008:
    case 20932:
    case 51932:
    case 51936:
    case 51949:
    case 54936:
    case 65001:
        return true;
    default:
        return false;
    }
}

// The iconv name of a code page. The Mac Far East code pages take their nearest Windows relatives.
QByteArray IconvName(int codePage)
{
    switch (codePage) {
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    case 10001:
        return "CP932";
    case 10002:
        return "BIG5";
    case 10003:
        return "CP949";
    case 10007:
        return "MAC-CYRILLIC";
    case 10008:
        return "GB2312";
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 10079:
        return "MAC-IS";
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 20932:
    case 51932:
        return "EUC-JP";
    case 51936:
        return "EUC-CN";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    case 65001:
        return "UTF-8";
    default:
        if (codePage >= 28591 && codePage <= 28606)
            return "ISO-8859-" + QByteArray::number(codePage - 28590);
        return "CP" + QByteArray::number(codePage);
    }
}

// Adobe's symbol encoding from 0x20; zero where the font has no defined character.
// clang-format off
constexpr std::array<char16_t, 224> SymbolCharacters = {
    /* 20 */ 0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    /* 28 */ 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    /* 30 */ 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    /* 38 */ 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    /* 40 */ 0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    /* 48 */ 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    /* 50 */ 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    /* 58 */ 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    /* 60 */ 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    /* 68 */ 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    /* 70 */ 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    /* 78 */ 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C,      0,
    /* 80 */      0,      0,      0,      0,      0,      0,      0,      0,
    /* 88 */      0,      0,      0,      0,      0,      0,      0,      0,
    /* 90 */      0,      0,      0,      0,      0,      0,      0,      0,
    /* 98 */      0,      0,      0,      0,      0,      0,      0,      0,
    /* A0 */ 0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    /* A8 */ 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    /* B0 */ 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    /* B8 */ 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    /* C0 */ 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    /* C8 */ 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    /* D0 */ 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    /* D8 */ 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    /* E0 */ 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    /* E8 */ 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    /* F0 */      0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    /* F8 */ 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD,      0,
};

// Windows-1252 from 0x80 to 0x9F; the five unassigned bytes keep their Latin-1 value, as the platform does.
constexpr std::array<char16_t, 32> Cp1252High = {
    /* 80 */ 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    /* 88 */ 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    /* 90 */ 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    /* 98 */ 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

std::unique_ptr<TSingleByteTable> Cp1252Table()
{
    auto table = std::make_unique<TSingleByteTable>();
    for (int b = 0; b < 256; ++b)
        table->map[b] = char16_t(b);
    for (int b = 0; b < 32; ++b)
        table->map[0x80 + b] = Cp1252High[b];
    table->asciiCompatible = true;
    return table;
}

std::unique_ptr<TSingleByteTable> SymbolTable(bool adobe)
{
    auto table = std::make_unique<TSingleByteTable>();
    for (int b = 0; b < 256; ++b) {
        const char16_t known = adobe && b >= 0x20 ? SymbolCharacters[b - 0x20] : 0;
        table->map[b] = known ? known : char16_t(0xF000 + b);
    }
    table->asciiCompatible = false;
    return table;
}

std::unique_ptr<TSingleByteTable> IconvTable(int codePage)
{
    const iconv_t converter = iconv_open(Utf16Name(), IconvName(codePage).constData());
    if (converter == NoConverter)
        return nullptr;
    auto table = std::make_unique<TSingleByteTable>();
    bool ascii = true;
    for (int b = 0; b < 256; ++b) {
        char in = char(b);
        char16_t out[4] = {};
        char* inPointer = &in;
        auto* outPointer = reinterpret_cast<char*>(out);
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof(out);
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        // Code pages with combining marks hold a base letter back until the end of the input.
        const bool ok = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft) != std::size_t(-1)
            && iconv(converter, nullptr, nullptr, &outPointer, &outLeft) != std::size_t(-1)
            && outLeft == sizeof(out) - sizeof(char16_t);
        table->map[b] = ok ? out[0] : (b < 0x80 ? char16_t(b) : char16_t(0xFFFD));
        if (b >= 0x20 && b < 0x7F && table->map[b] != b)
            ascii = false;
    }
    iconv_close(converter);
    table->asciiCompatible = ascii;
    return table;
}

} // namespace

int CodePageFromCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 0:
        return CpAnsi;
    case 2:
        return CpSymbol;
    case 77:
        return 10000;
    case 78:
        return 10001;
    case 79:
        return 10003;
    case 80:
        return 10008;
    case 81:
        return 10002;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 86:
        return 10081;
    case 87:
        return 10021;
    case 88:
        return 10029;
    case 89:
        return 10007;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
    case 255:
        return 437;
    default:
        return documentCodePage;
    }
}

const TSingleByteTable* SingleByteTable(int codePage)
{
    if (IsMultiByte(codePage))
        return nullptr;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<TSingleByteTable>> tables;
    const std::lock_guard<std::mutex> lock(mutex);
    auto& table = tables[codePage];
    if (!table) {
        if (codePage == CpSymbol || codePage == CpPrivateSymbol)
            table = SymbolTable(codePage == CpSymbol);
        else if (codePage != CpAnsi)
            table = IconvTable(codePage);
        if (!table)
            table = Cp1252Table();
    }
    return table.get();
}

char16_t UnicodeFromSymbolCode(unsigned char code)
{
    const char16_t known = code >= 0x20 ? SymbolCharacters[code - 0x20] : 0;
    return known ? known : char16_t(0xF000 + code);
}

int SymbolCodeFromUnicode(char16_t character)
{
    if (character >= 0xF000 && character <= 0xF0FF)
        return character - 0xF000;
    for (std::size_t i = 0; i < SymbolCharacters.size(); ++i) {
        if (SymbolCharacters[i] == character)
            return int(i) + 0x20;
    }
    return -1;
}

int Cp1252FromUnicode(char16_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return character;
    for (std::size_t i = 0; i < Cp1252High.size(); ++i) {
        if (Cp1252High[i] == character)
            return int(i) + 0x80;
    }
    return -1;
}

TMultiByteDecoder::~TMultiByteDecoder()
{
    for (auto& [codePage, converter] : FConverters) {
        if (converter != NoConverter)
            iconv_close(static_cast<iconv_t>(converter));
    }
}

void TMultiByteDecoder::Decode(int codePage, const QByteArray& bytes, QString& target)
{
    auto found = FConverters.find(codePage);
    if (found == FConverters.end())
        found = FConverters.emplace(codePage, iconv_open(Utf16Name(), IconvName(codePage).constData())).first;
    const auto converter = static_cast<iconv_t>(found->second);
    if (converter == NoConverter) {
        const TSingleByteTable* fallback = SingleByteTable(CpAnsi);
        for (char b : bytes)
            target.append(QChar(fallback->map[static_cast<unsigned char>(b)]));
        return;
    }

    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.constData());
    std::size_t inLeft = std::size_t(bytes.size());
    char16_t buffer[256];
    while (inLeft > 0) {
        auto* out = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof(buffer);
        const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        if (inLeft == 0 && result != std::size_t(-1))
            iconv(converter, nullptr, nullptr, &out, &outLeft);
        target.append(reinterpret_cast<const QChar*>(buffer), qsizetype((sizeof(buffer) - outLeft) / sizeof(char16_t)));
        if (result == std::size_t(-1) && errno != E2BIG) {
            // An invalid or cut-off sequence: one replacement for its first byte, then go on.
            target.append(QChar(0xFFFD));
            ++in;
            --inLeft;
            iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

QString TextFromUtf8OrWindows1252(const QByteArray& bytes)
{
    // Stateless: a sequence cut off by the end (a Windows-1252 letter last) is an error, not
    // bytes held back for more input and lost. A U+FEFF first is text: callers take off a mark.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    const TSingleByteTable* table = SingleByteTable(CpAnsi);
    text.resize(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        text[i] = QChar(table->map[static_cast<unsigned char>(bytes[i])]);
    return text;
}
