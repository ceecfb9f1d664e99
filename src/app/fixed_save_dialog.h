#pragma once
// The fixed save folder and format (526): the folder that "지정 폴더에
// 저장" (Ctrl+H) starts in, a "..." button to browse for it, and the
// format preselected there.
#include <QDialog>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;

namespace qm {

struct FixedSaveChoice {
  std::string folder;  // FixSaveDir
  int format = 0;      // FixSaveOpt's low 4 bits: a format index 0 … 6
  friend bool operator==(const FixedSaveChoice&, const FixedSaveChoice&) = default;
};

class FixedSaveDialog : public QDialog {
  Q_OBJECT

 public:
  explicit FixedSaveDialog(const FixedSaveChoice& current, QWidget* parent = nullptr);
  FixedSaveChoice values() const;

  QLineEdit* folder_field() const { return folder_; }
  QComboBox* format_list() const { return format_; }

 private:
  void browse();

  QLineEdit* folder_;
  QComboBox* format_;
};

std::optional<FixedSaveChoice> run_fixed_save_dialog(QWidget* parent, const FixedSaveChoice& current);

}  // namespace qm
