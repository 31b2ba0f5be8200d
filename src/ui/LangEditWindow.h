// The language editor window: the texts of the running language, edited in place.
#pragma once
#include <string>

class wxWindow;

// Runs the editor on the language `name` over parent; returns when it closes.
void EditLanguage(const std::string& name, wxWindow* parent);
