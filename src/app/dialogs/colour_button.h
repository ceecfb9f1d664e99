#pragma once
// A push button filled with a colour; clicking it opens the colour dialog.
#include <QPushButton>
#include <cstdint>

namespace qm {

class ColourButton : public QPushButton {
  Q_OBJECT

 public:
  explicit ColourButton(uint32_t colour, QWidget* parent = nullptr);

  uint32_t colour() const { return colour_; }  // 0xRRGGBB
  void set_colour(uint32_t colour);

 signals:
  void colour_changed(uint32_t colour);

 private:
  void choose();

  uint32_t colour_;
};

}  // namespace qm
