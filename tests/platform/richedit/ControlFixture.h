#pragma once
// A control set up as the editor sets it up, and a listener that records what it is told.
#include "RichEditControl.h"

#include <QList>

#include <cstring>
#include <functional>

struct TRecordingListener : IRichEditListener {
    QList<UINT> codes;
    QList<ENLINK> links;
    QList<ENPROTECTED> protections;
    bool allowProtected = false;
    LRESULT RichEditNotify(NMHDR& header) override
    {
        codes.append(header.code);
        if (header.code == EN_LINK)
            links.append(reinterpret_cast<ENLINK&>(header));
        if (header.code == EN_PROTECTED) {
            protections.append(reinterpret_cast<ENPROTECTED&>(header));
            return allowProtected ? 1 : 0;
        }
        return 0;
    }
    int Count(UINT code) const { return int(codes.count(code)); }
};

inline void SetUp(TRichEditControl& control, TRecordingListener* listener = nullptr)
{
    control.SetListener(listener);
    control.SetEventMask(ENM_CHANGE | ENM_SELCHANGE | ENM_PROTECTED | ENM_LINK);
    control.SetAutoUrlDetect(true);
    CHARFORMAT2 font;
    font.dwMask = CFM_FACE | CFM_SIZE;
    std::strcpy(font.szFaceName, "Arial");
    font.yHeight = 240;
    (void)control.SetCharFormat(SCF_DEFAULT, font);
}

inline void Select(TRichEditControl& control, LONG start, LONG end)
{
    CHARRANGE range { start, end };
    control.Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

inline CHARFORMAT2 CharFormatOf(TRichEditControl& control, WPARAM scope = SCF_SELECTION)
{
    CHARFORMAT2 format;
    control.Perform(EM_GETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format));
    return format;
}

inline bool SetCharFormat(TRichEditControl& control, WPARAM scope, CHARFORMAT2 format)
{
    return control.Perform(EM_SETCHARFORMAT, scope, reinterpret_cast<LPARAM>(&format)) != 0;
}

inline PARAFORMAT2 ParaFormatOf(TRichEditControl& control)
{
    PARAFORMAT2 format;
    control.Perform(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
    return format;
}

inline bool SetParaFormat(TRichEditControl& control, PARAFORMAT2 format)
{
    return control.Perform(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format)) != 0;
}

// Streams through the message and a callback, as the editor component does.
struct TByteSource {
    QByteArray bytes;
    qsizetype offset = 0;
    qsizetype chunk = 1 << 20;
    static DWORD Read(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
    {
        auto* self = reinterpret_cast<TByteSource*>(cookie);
        const qsizetype count = std::min<qsizetype>({ qsizetype(size), self->chunk, self->bytes.size() - self->offset });
        std::memcpy(buffer, self->bytes.constData() + self->offset, size_t(count));
        self->offset += count;
        *transferred = LONG(count);
        return 0;
    }
};

struct TByteSink {
    QByteArray bytes;
    int failAfter = -1;
    static DWORD Write(DWORD_PTR cookie, BYTE* buffer, LONG size, LONG* transferred)
    {
        auto* self = reinterpret_cast<TByteSink*>(cookie);
        if (self->failAfter == 0)
            return ERROR_WRITE_FAULT;
        if (self->failAfter > 0)
            --self->failAfter;
        self->bytes.append(reinterpret_cast<const char*>(buffer), size);
        *transferred = size;
        return 0;
    }
};

inline LRESULT StreamIn(TRichEditControl& control, WPARAM format, const QByteArray& bytes, DWORD* error = nullptr)
{
    TByteSource source { bytes };
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &TByteSource::Read;
    const LRESULT result = control.Perform(EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    if (error)
        *error = stream.dwError;
    return result;
}

inline QByteArray StreamOut(TRichEditControl& control, WPARAM format)
{
    TByteSink sink;
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&sink);
    stream.pfnCallback = &TByteSink::Write;
    control.Perform(EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
    return sink.bytes;
}

