#pragma once
// File dialog filters and folder listings of the viewer and library windows.
#include <QString>
#include <QStringList>

#include "core/layer_image.h"

namespace qm {

// Every flat picture the loader opens by extension.
inline QString picture_file_filter() {
  return QStringLiteral("Image (*.bmp *.png *.jpg *.jpeg *.gif);;All files (*)");
}
inline QString palette_file_filter() { return QStringLiteral("Palette (*.qml *.aco);;All files (*)"); }
inline QString texture_file_filter() { return QStringLiteral("Texture (*.qmt);;All files (*)"); }

// The files of a folder the loader opens as pictures, sorted by name.
QStringList picture_files_in(const QString& folder);
// The file after (step 1) or before (step −1) `path` among the pictures of
// its folder; "" at either end. A file missing from the listing (deleted
// since) finds its place by name.
QString neighbour_picture(const QString& path, int step);

// Loads a picture that no document is made from (a reference picture, a
// texture, a palette source): like LoadPicture, but a flat picture above the
// canvas side limit is still read, up to the raster byte limit. With
// `clip_side` only its top-left clip_side × clip_side part is kept.
bool load_any_size_picture(const QString& path, LayerImage& image, int clip_side = 0);

}  // namespace qm
