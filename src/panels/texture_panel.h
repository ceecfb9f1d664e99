#pragma once
// The texture window: the textures of the library as thumbnails; a click
// selects the texture painting uses, and its menu adds, inserts, deletes,
// opens and saves textures and sets the thumbnail size.
#include <QStringList>
#include <QWidget>
#include <functional>

#include "panels/floating_panel.h"

class QMenu;
class QScrollBar;

namespace qm {

inline constexpr int kThumbSizes[6] = {16, 24, 32, 48, 64, 96};

class TextureGrid : public QWidget {
  Q_OBJECT

 public:
  TextureGrid(AppState& state, QScrollBar* scroll, QWidget* parent);
  int thumb() const;
  int columns() const { return std::max(1, (width() - 1) / (thumb() + 1)); }
  // The texture under a point, or −1 beyond the last one.
  int hit(QPoint at) const;
  void sync_scroll();

 signals:
  void picked(int index);

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  AppState& state_;
  QScrollBar* scroll_;
};

class TexturePanel : public FloatingPanel {
  Q_OBJECT

 public:
  explicit TexturePanel(const PanelContext& context);

  TextureGrid* grid() const { return grid_; }
  // The selected texture, −1 when the library is empty.
  int selection() const;
  void select(int index);

  // Menu 201.
  void run(int id);
  int add_files(const QStringList& paths, bool insert);
  void delete_selected();
  bool open_library(const QString& path);
  bool save_library(const QString& path);
  void delete_all();
  void set_thumb_size(int index);  // 0 … 5

  std::function<void(const QString&)> message;

 protected:
  void drawing_changed(uint32_t what) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void library_changed();
  QMenu* menu_;
  QScrollBar* scroll_;
  TextureGrid* grid_;
};

}  // namespace qm
