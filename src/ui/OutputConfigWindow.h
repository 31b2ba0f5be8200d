// The Output settings window: volumes, fades, equaliser, compressor and device on five pages.
#pragma once

class wxWindow;

// Modal over parent; page: the page shown first (the equaliser command opens its page).
void OpenOutputSettings(wxWindow* parent, int page);
