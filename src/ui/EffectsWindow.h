// The window that edits one of the nine user effect sets and lets it be heard while it is edited.
#pragma once

class wxWindow;

// 1 when the user confirmed, else 0; set 0 and sets beyond the list return 0 at once.
int EditEffectSet(int set, wxWindow* parent);
