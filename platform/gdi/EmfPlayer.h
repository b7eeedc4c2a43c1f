#pragma once
// EmfPlayer.h: plays checked enhanced-metafile records through a device context. Internal to
// platform/gdi; callers use TEnhMetafile::Play.
#include "EnhMetafile.h"

#include <QByteArray>
#include <QRectF>

class QPainter;

/// The records must have passed TEnhMetafile's checks; each record's fields are checked again here.
void PlayEnhMetafile(const QByteArray& bytes, const TEnhMetafileHeader& header, QPainter& painter, const QRectF& target);
