// The engine's modal questions drawn with the widgets: the file plan's
// question about a changed file (window 996) and the continue-or-cancel
// question of an install (window 997).
#pragma once

#include <string>

// Puts both dialogs behind the engine's hooks; start-up calls it.
void install_modal_questions();

// The file plan's question: 1, 2, 4, 5 or 3 as the engine defines them; 3
// also when another window takes over.
int select_alert_dialog(const std::string& path, int is_delete);
