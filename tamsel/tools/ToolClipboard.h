#pragma once
// ToolClipboard.h: how the insertion tools hand their result to the document: the clipboard, read by
// the main window's paste once the tool has closed with a request.
#include <QString>

class TEnhMetafile;

/// Replaces the clipboard's content by plain text (empty text pastes nothing).
void PutToolTextOnClipboard(const QString& text);
/// Replaces the clipboard's content by the picture, as the editor pastes one embedded picture.
void PutToolPictureOnClipboard(const TEnhMetafile& picture);
/// True when the clipboard holds a picture and no text, so a plain-text document cannot take it.
bool ClipboardHoldsOnlyPicture();

#include <functional>
class QPainter;
class QSize;

/// A metafile of the given size in pixels at 96 pixels per inch, recorded from draw (which paints in
/// those pixels), its description naming the program and the title.
TEnhMetafile RecordToolPicture(const QSize& pixels, const QString& title, const std::function<void(QPainter&)>& draw);
