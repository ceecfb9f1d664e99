#include "panels/layer_target_operations.h"

#include "document/document.h"

namespace qm {

namespace {

constexpr int kOperateWithLayer = 41012;
constexpr int kOuterOutline = 41016;

struct TargetOperation {
  const char* text;
  int combination;  // the operate-with-layer operation; −1 for the outline
};
constexpr TargetOperation kOperations[kTargetOperationCount] = {
    {"透明な部分は透明に", 0},   {"不透明な部分は透明に", 1}, {"ｱﾙﾌｧ値をｺﾋﾟｰ", 2},
    {"ｱﾙﾌｧ値を引く", 4},        {"ｱﾙﾌｧ値を掛ける", 5},      {"不透明部分の縁取り(1px)", -1},
};

}  // namespace

const char* target_operation_text(int item) {
  return item >= 0 && item < kTargetOperationCount ? kOperations[item].text : "";
}

filters::FilterStatus run_target_operation(Document& doc, int target, int item, uint32_t colour) {
  if (item < 0 || item >= kTargetOperationCount || !doc.layer_at(target))
    return filters::FilterStatus::kNothing;
  const int combination = kOperations[item].combination;
  const filters::FilterCommand* command =
      filters::find_filter_command(combination < 0 ? kOuterOutline : kOperateWithLayer);
  if (!command) return filters::FilterStatus::kUnavailable;
  filters::FilterValues values;
  if (combination < 0) {
    values.numeric[0] = 1;  // a one-pixel hard brush
    values.list[0] = 0;
    values.list[1] = target;
  } else {
    values.list[0] = target;
    values.list[1] = combination;
  }
  filters::FilterEnvironment env;
  env.drawing_colour = colour & 0xFFFFFF;
  env.document = &doc;
  return filters::apply_filter(*command, doc, values, env, doc.bounds(), nullptr);
}

}  // namespace qm
