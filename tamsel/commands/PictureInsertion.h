#pragma once
// PictureInsertion.h: the picture command. A picture file enters the document as an enhanced metafile
// of the picture's size in pixels, handed to the editor through the clipboard as a paste.
#include "EnhMetafile.h"

#include <QString>

class TRtRichEdit;

/// The open-picture dialog's filter, in the platform's "Description|pattern|..." form.
QString OpenPictureFilter();

/// The picture of a GIF, JPEG (.jpg, .jpeg), BMP, PNG, EMF or WMF file, the format chosen by the
/// extension: an enhanced metafile of the picture's width and height in pixels (at the editor's
/// display resolution), the picture drawn at (0, 0). Transparent pixels of a raster picture are left
/// out. Throws EFOpenError when the file cannot be read, EConvertError when its format is not one of
/// these, when it is damaged or when it is too large to decode.
TEnhMetafile LoadPictureAsMetafile(const QString& path);

/// Replaces the clipboard's content by the metafile, in the format the rich edit control pastes as
/// one embedded picture.
void PutMetafileOnClipboard(const TEnhMetafile& metafile);

/// Loads the picture, puts it on the clipboard and pastes it at the caret, replacing the selection.
/// A picture that cannot be loaded throws before the clipboard or the text is touched.
void InsertPictureFile(TRtRichEdit& editor, const QString& path);
