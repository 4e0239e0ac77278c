#include "ui/page_builders.h"

// Replaced as this group of pages is built.
void BuildClockSettingsPages(frmControlPanel&) {}

#include "ui/frmControlPanel.h"

void frmControlPanel::InitializeSecondOffsetCombo(int) {}
