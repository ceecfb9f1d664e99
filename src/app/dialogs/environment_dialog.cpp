#include "app/dialogs/environment_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/dialogs/colour_button.h"
#include "app/dialogs/dialog_fields.h"
#include "app/dialogs/dialog_texts.h"
#include "app/dialogs/new_canvas_dialog.h"

namespace qm {

namespace {

struct OptionBox {
  int bit;
  const char* name;
  const char* label;
};

// The second page, in bit order.
constexpr OptionBox kOptionBoxes[] = {
    {kOptConfirmSave, "opt_confirm_save", "저장하기 전에 확인"},
    {kOptAskOnQuit, "opt_ask_on_quit", "종료할 때 변경된 이미지의 저장 여부 확인"},
    {kOptTitleNameOnly, "opt_title_name_only", "타이틀 바에 파일 이름만 표시"},
    {kOptAutoActivate, "opt_auto_activate", "캔버스 위에서 메인 창 자동 활성화"},
    {kOptTransparentPickErases, "opt_pick_erases", "스포이트로 투명 픽셀을 찍으면 지우개로 전환"},
    {kOptBrushCircle, "opt_brush_circle", "그리는 중 브러시 크기 원 표시"},
    {kOptEraseFillReleasesReference, "opt_erase_fill_release",
     "칠하기 도구로 지울 때 판정원 레이어 해제"},
};
constexpr int kOptionMask = 0x7F;

constexpr int kTabletEnabled = 0x01;
constexpr int kTabletMousePosition = 0x02;

QCheckBox* make_check(const char* name, const QString& label, bool checked, QWidget* parent) {
  auto* box = new QCheckBox(label, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(checked);
  return box;
}

ColourButton* make_colour(const char* name, uint32_t colour, QWidget* parent) {
  auto* button = new ColourButton(colour, parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

QHBoxLayout* pair_row(QWidget* a, QWidget* b) {
  auto* row = new QHBoxLayout;
  row->addWidget(a);
  row->addWidget(b);
  row->addStretch();
  return row;
}

QWidget* general_page(const Environment& env, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("시작 캔버스 크기"),
               pair_row(make_range_field("def_img_w", env.def_img_w, 1, kMaxCanvasSide, page),
                        make_range_field("def_img_h", env.def_img_h, 1, kMaxCanvasSide, page)));
  form->addRow(QStringLiteral("배경색"), make_colour("canv_bk_col", env.canv_bk_col, page));
  form->addRow(QStringLiteral("확대 단계 (100% 미만)"),
               make_range_field("scale_d_add", env.scale_d_add, 5, 100, page));
  form->addRow(QStringLiteral("확대 단계 (100% 이상)"),
               make_range_field("scale_u_add", env.scale_u_add, 5, 1000, page));
  form->addRow(QStringLiteral("투명 체크 무늬 색"),
               pair_row(make_colour("check_col1", env.check_col1, page),
                        make_colour("check_col2", env.check_col2, page)));
  form->addRow(QStringLiteral("실행 취소 횟수"),
               make_range_field("undo_cnt", env.undo_cnt, 2, 200, page));
  form->addRow(QStringLiteral("정보 바 위치"),
               make_list_field("info_bar_pos", info_bar_positions(), env.info_bar_pos, page));
  form->addRow(QStringLiteral("기본 지우개"),
               make_list_field("def_erase", eraser_kinds(), env.def_erase, page));
  form->addRow(QStringLiteral("레이어 이름의 코드 페이지"),
               make_list_field("code_page",
                               {QStringLiteral("CP932 (일본어)"), QStringLiteral("CP949 (한국어)")},
                               env.code_page == 949 ? 1 : 0, page));
  return page;
}

QWidget* options_page(const Environment& env, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  for (const OptionBox& option : kOptionBoxes)
    layout->addWidget(make_check(option.name, QString::fromUtf8(option.label),
                                 (env.opt_flag & option.bit) != 0, page));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("브러시 원을 표시할 최소 크기"),
               make_range_field("brush_cir_size", env.brush_cir_size, 2, 100, page));
  layout->addLayout(form);
  layout->addStretch();
  return page;
}

QWidget* tablet_page(const Environment& env, QWidget* parent) {
  auto* page = new QWidget(parent);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(make_check("tablet_enabled", QStringLiteral("태블릿 사용 (다시 시작하면 적용)"),
                               (env.tablet_flag & kTabletEnabled) != 0, page));
  layout->addWidget(make_check("tablet_mouse_position",
                               QStringLiteral("위치는 마우스에서 가져오기"),
                               (env.tablet_flag & kTabletMousePosition) != 0, page));
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("펜 뒤쪽(지우개) 도구"),
               make_list_field("tale_tool", tool_names(), env.tale_tool, page));
  form->addRow(QStringLiteral("사이드 버튼 1 (아래)"),
               make_list_field("tab_side1", side_button_actions(), env.tab_side1, page));
  form->addRow(QStringLiteral("사이드 버튼 2 (위)"),
               make_list_field("tab_side2", side_button_actions(), env.tab_side2, page));
  layout->addLayout(form);
  layout->addStretch();
  return page;
}

}  // namespace

EnvironmentDialog::EnvironmentDialog(const Environment& current, QWidget* parent)
    : QDialog(parent), current_(current) {
  setWindowTitle(QStringLiteral("환경 설정"));
  auto* tabs = new QTabWidget(this);
  tabs->setObjectName(QStringLiteral("pages"));
  tabs->addTab(general_page(current, tabs), QStringLiteral("일반"));
  tabs->addTab(options_page(current, tabs), QStringLiteral("옵션"));
  tabs->addTab(tablet_page(current, tabs), QStringLiteral("태블릿"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(make_ok_cancel_buttons(this));
}

Environment EnvironmentDialog::values() const {
  auto spin = [this](const char* name) {
    return field_value(findChild<QSpinBox*>(QString::fromLatin1(name)));
  };
  auto list = [this](const char* name) {
    return findChild<QComboBox*>(QString::fromLatin1(name))->currentIndex();
  };
  auto colour = [this](const char* name) {
    return findChild<ColourButton*>(QString::fromLatin1(name))->colour();
  };
  auto checked = [this](const char* name) {
    return findChild<QCheckBox*>(QString::fromLatin1(name))->isChecked();
  };

  Environment env = current_;
  env.def_img_w = spin("def_img_w");
  env.def_img_h = spin("def_img_h");
  env.canv_bk_col = colour("canv_bk_col");
  env.scale_d_add = spin("scale_d_add");
  env.scale_u_add = spin("scale_u_add");
  env.check_col1 = colour("check_col1");
  env.check_col2 = colour("check_col2");
  env.undo_cnt = spin("undo_cnt");
  env.info_bar_pos = list("info_bar_pos");
  env.def_erase = list("def_erase");
  env.code_page = list("code_page") == 1 ? 949 : 932;

  int options = current_.opt_flag & ~kOptionMask;
  for (const OptionBox& option : kOptionBoxes)
    if (checked(option.name)) options |= option.bit;
  env.opt_flag = options;
  env.brush_cir_size = spin("brush_cir_size");

  int tablet = current_.tablet_flag & ~(kTabletEnabled | kTabletMousePosition);
  if (checked("tablet_enabled")) tablet |= kTabletEnabled;
  if (checked("tablet_mouse_position")) tablet |= kTabletMousePosition;
  env.tablet_flag = tablet;
  env.tale_tool = list("tale_tool");
  env.tab_side1 = list("tab_side1");
  env.tab_side2 = list("tab_side2");
  return env;
}

std::optional<Environment> run_environment_dialog(QWidget* parent, const Environment& current) {
  EnvironmentDialog dialog(current, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.values();
}

}  // namespace qm
