// What the About window shows and where its web button leads.
#pragma once
#include <string>

// The author message, then "License.Txt" from the program folder with "%1" standing for the
// product's name; without the licence file the text ends after the author message.
std::string AboutText();
// Opens the maker's web site in the default browser.
void OpenMakerSite();
