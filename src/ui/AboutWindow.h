// The About window (140): who made the program, its licence, and the way to the web site.
#pragma once

class wxWindow;

void ShowAbout(wxWindow* parent);
