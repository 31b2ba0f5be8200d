// The menu bar, the systray menu and the main window's layout as data the UI builds from.
#pragma once
#include <string>
#include <vector>

struct MenuNode {
  enum Kind { Item, Submenu, Separator };
  Kind kind = Item;
  int id = 0;              // command number (items)
  std::string text;        // already looked up in the language table
  bool checkable = false;  // carries a check mark kept by its owner
  bool enabled = true;
  std::vector<MenuNode> children;
};

// The six menus of the menu bar. "Menu\About.WhatNews" only when whatsNew is true.
std::vector<MenuNode> MainMenuTree(bool whatsNew);
// The systray popup menu.
std::vector<MenuNode> SystrayMenuTree();
// Copies of every item of a tree, depth first.
std::vector<MenuNode> MenuItems(const std::vector<MenuNode>& tree);

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};

struct MainLayout {
  Rect volumeLabel, volume, play, pause, stop, record, position, playList;
  int columns[6] = {};
};

// Places the gadgets of the main window for a client area W wide and H high (below the
// menu bar, without the status bar), and fits the six play-list columns to the list.
MainLayout LayoutMainWindow(int W, int H);
