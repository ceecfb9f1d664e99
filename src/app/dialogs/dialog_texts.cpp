#include "app/dialogs/dialog_texts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace qm {

QStringList tool_names() {
  return {QStringLiteral("연필"),         QStringLiteral("1px 가는 선"),
          QStringLiteral("펜"),           QStringLiteral("펜2"),
          QStringLiteral("브러시"),       QStringLiteral("수채"),
          QStringLiteral("스프레이"),     QStringLiteral("지우개(도트)"),
          QStringLiteral("지우개(펜)"),   QStringLiteral("지우개(브러시)"),
          QStringLiteral("블루"),         QStringLiteral("손가락"),
          QStringLiteral("닷지"),         QStringLiteral("번"),
          QStringLiteral("칠하기"),       QStringLiteral("그라디언트"),
          QStringLiteral("문자"),         QStringLiteral("레이어 이동"),
          QStringLiteral("4각 선택")};
}

QStringList draw_type_names() {
  return {QStringLiteral("자유선"),       QStringLiteral("직선"),
          QStringLiteral("사각형"),       QStringLiteral("사각형 채우기"),
          QStringLiteral("타원"),         QStringLiteral("타원 채우기"),
          QStringLiteral("연속 직선"),    QStringLiteral("집중선"),
          QStringLiteral("베지어 곡선"),  QStringLiteral("스플라인 곡선")};
}

QStringList info_bar_positions() {
  return {QStringLiteral("표시 안 함"), QStringLiteral("위쪽 오른편"),
          QStringLiteral("왼쪽 위"),    QStringLiteral("오른쪽 위"),
          QStringLiteral("왼쪽 아래"),  QStringLiteral("오른쪽 아래")};
}

QStringList side_button_actions() {
  return {QStringLiteral("기본"), QStringLiteral("스포이트"), QStringLiteral("캔버스 이동"),
          QStringLiteral("지우개/이전 도구 전환"), QStringLiteral("실행 취소")};
}

QStringList eraser_kinds() {
  const QStringList tools = tool_names();
  return {tools[7], tools[8], tools[9]};
}

QStringList key_item_names(KeyGroup group) {
  switch (group) {
    case KeyGroup::kTool:
      return tool_names();
    case KeyGroup::kDrawType:
      return draw_type_names();
    case KeyGroup::kCommand:
      return {QStringLiteral("실행 취소"),       QStringLiteral("다시 실행"),
              QStringLiteral("확대"),            QStringLiteral("축소"),
              QStringLiteral("100%"),            QStringLiteral("좌우 반전 표시"),
              QStringLiteral("창 모두 숨기기"),  QStringLiteral("트리밍"),
              QStringLiteral("새 레이어"),       QStringLiteral("레이어 복제"),
              QStringLiteral("레이어 삭제"),     QStringLiteral("아래 레이어와 결합"),
              QStringLiteral("레이어 위로"),     QStringLiteral("레이어 아래로")};
    case KeyGroup::kKeyClick:
      return {QStringLiteral("직선"),          QStringLiteral("사각형"),
              QStringLiteral("사각형 채우기"), QStringLiteral("타원"),
              QStringLiteral("타원 채우기"),   QStringLiteral("연속 직선"),
              QStringLiteral("집중선"),        QStringLiteral("베지어 곡선"),
              QStringLiteral("스플라인 곡선"), QStringLiteral("스포이트"),
              QStringLiteral("칠하기"),        QStringLiteral("지우기 칠하기")};
    case KeyGroup::kOther:
      return {QStringLiteral("지우개/이전 도구 전환"), QStringLiteral("그리기색 교환"),
              QStringLiteral("브러시 크기 +1"),        QStringLiteral("브러시 크기 -1"),
              QStringLiteral("브러시 크기 1"),         QStringLiteral("텍스처 ON/OFF"),
              QStringLiteral("물의 양 A"),             QStringLiteral("물의 양 B"),
              QStringLiteral("물의 양 C"),             QStringLiteral("물의 양 D")};
    case KeyGroup::kWindow:
      return {QStringLiteral("툴 창"),           QStringLiteral("컨트롤 창"),
              QStringLiteral("레이어 창"),       QStringLiteral("팔레트 창"),
              QStringLiteral("확장 팔레트 창"),  QStringLiteral("텍스처 창"),
              QStringLiteral("미리보기 창"),     QStringLiteral("이미지 뷰 창"),
              QStringLiteral("필터 목록 창")};
  }
  return {};
}

QString key_group_title(KeyGroup group) {
  switch (group) {
    case KeyGroup::kTool: return QStringLiteral("■ ﾂｰﾙ");
    case KeyGroup::kDrawType: return QStringLiteral("■ 描画ﾀｲﾌﾟ");
    case KeyGroup::kCommand: return QStringLiteral("■ ｺﾏﾝﾄﾞ");
    case KeyGroup::kKeyClick: return QStringLiteral("■ ｷｰ＋ｸﾘｯｸ/ﾄﾞﾗｯｸﾞ");
    case KeyGroup::kOther: return QStringLiteral("■ その他");
    case KeyGroup::kWindow: return QStringLiteral("■ ｳｨﾝﾄﾞｳ");
  }
  return {};
}

QDialogButtonBox* make_ok_cancel_buttons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace qm
