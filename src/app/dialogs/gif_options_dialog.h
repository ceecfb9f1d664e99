#pragma once
// GIF options (525, "GIF 저장"), shown before a GIF save: the transparent
// colour, shared with the PNG options.
#include <QDialog>
#include <cstdint>
#include <optional>

class QCheckBox;

namespace qm {

class ColourButton;

struct GifSaveOptions {
  std::optional<uint32_t> transparent;  // 0xRRGGBB, none when unset
  friend bool operator==(const GifSaveOptions&, const GifSaveOptions&) = default;
};

class GifOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit GifOptionsDialog(const GifSaveOptions& current, QWidget* parent = nullptr);
  GifSaveOptions values() const;

 private:
  QCheckBox* use_transparent_;
  ColourButton* transparent_;
};

// nullopt on Cancel (the save stops).
std::optional<GifSaveOptions> run_gif_options_dialog(QWidget* parent,
                                                     const GifSaveOptions& current);

}  // namespace qm
