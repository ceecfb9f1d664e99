#pragma once
// Levels and Replace Colour: filters whose dialogs are their own. Registers
// their runners with the filter runner.
namespace qm {

void register_own_dialog_filters();

}  // namespace qm
