// The main window: a narrow fixed window titled 闲云百宝匣 whose client area
// is taken by the site menu.
#pragma once

#include "app/ids.h"
#include "launcher/site_menu_def.h"
#include "toolkit/model/definition.h"

namespace xy {

constexpr WindowDef mainWindowDefinition() {
    WindowDef w;
    w.id = ids::kMainWindow;
    w.rect = {50, 50, 172, 452};  // outer size; the position is not used (centred)
    w.visible = true;
    w.disabled = false;
    w.cursor = Cursor::Hand;

    WindowSettings& s = w.settings;
    s.title = "闲云百宝匣";
    s.border = BorderStyle::Fixed;
    s.background = kSystemDefaultColor;
    s.controlBox = true;
    s.maxButton = false;
    s.minButton = true;
    s.startPosition = StartPosition::Centred;
    s.movable = true;
    s.icon = IconSet::ProgramIcon;
    s.enterMovesFocus = false;
    s.escCloses = true;
    s.f1OpensHelp = true;
    s.helpFile = "C:\\Users\\vork\\Desktop\\Test.RTF";
    s.helpContext = 0;
    s.showInTaskbar = true;

    ControlDef menu;
    menu.id = ids::kSiteMenu;
    menu.kind = ControlKind::Accordion;
    menu.name = "卷帘式菜单1";
    menu.rect = {0, 0, 168, 424};
    menu.visible = true;
    menu.disabled = false;
    menu.tabStop = true;
    menu.tabOrder = 0;
    menu.cursor = Cursor::None;
    menu.bindings.push_back({event::kItemChosen, handler_names::kItemChosen});
    menu.menu = siteMenuDefinition();
    w.controls.push_back(std::move(menu));
    return w;
}

}  // namespace xy
