// The commands' enabled states and check marks, drawn from the application
// state alone. Every command that changes what they depend on calls
// UpdateCommands afterwards; nothing else enables or checks a command.
#pragma once

#include "app_state.h"

// Sets the control window's buttons and menu items from state: execute and
// zoom need an image, save and copy an extraction of it, undo and redo a
// step in the history; オート抽出 carries its check mark while it is on.
void UpdateCommands(const AppState& state);
