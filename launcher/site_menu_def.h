// The site menu 卷帘式菜单1: its four groups, their items and the settings
// the main window gives the accordion control.
#pragma once

#include <initializer_list>
#include <string>
#include <utility>

#include "toolkit/model/definition.h"

namespace xy {

namespace site_menu_detail {

// One item: label and tip; no picture, user value 0.
constexpr MenuItemDef item(const char* text, const char* tip = "") {
    MenuItemDef it;
    it.text = text;
    it.picture = -1;
    it.userValue = 0;
    it.tip = tip;
    return it;
}

// One group: header, no header picture or backgrounds, no tip, user value 0.
constexpr MenuGroupDef group(const char* header, std::initializer_list<MenuItemDef> items) {
    MenuGroupDef g;
    g.header = header;
    g.userValue = 0;
    g.headerPicture = -1;
    for (auto& b : g.backgrounds) b = -1;
    g.tip = "";
    for (const auto& it : items) g.items.push_back(it);
    return g;
}

}  // namespace site_menu_detail

constexpr MenuDef siteMenuDefinition() {
    using site_menu_detail::group;
    using site_menu_detail::item;

    MenuDef m;
    m.openGroup = 3;      // 说明 is open when the menu is first shown
    m.selectedItem = -1;  // nothing selected at first
    m.view = MenuView::Icon;
    m.headerHeight = 40;
    m.slideStep = 30;
    m.headerStyle = 1;
    m.flat = true;
    m.selectedAnimation = true;
    m.captionOverHeaderBackground = true;
    m.iconOverHeaderBackground = true;

    m.headerFont = FontDef{"SimSun", 12, 400, false, false, false};
    m.itemFont = FontDef{"", 14, 400, false, false, false};

    m.background = rgb(192, 192, 192);      // crBackGroundColor
    m.folderBg = kSystemDefaultColor;       // crFolderBgColor
    m.folderBgDown = kSystemDefaultColor;   // crFolderBgDownColor
    m.folderBgHover = kSystemDefaultColor;  // crFolderBgHoverColor
    m.folderSelBg = kSystemDefaultColor;    // crFolderSelBgColor
    m.folderText = rgb(0, 0, 0);            // crFolderTextColor
    m.folderTextDown = rgb(0, 0, 0);        // crFolderTextDownColor
    m.folderTextHover = rgb(0, 0, 0);       // crFolderTextHoverColor
    m.folderSelText = rgb(0, 0, 0);         // crFolderSelTextColor
    m.itemText = rgb(255, 128, 0);          // crItemTextColor
    m.itemTextHover = rgb(0, 0, 255);       // crItemTextHoverColor
    m.itemSelText = rgb(255, 255, 0);       // crItemSelTextColor
    m.hilightBorder = rgb(0, 255, 0);       // crHilightBorder
    m.dkShadowBorder = rgb(0, 60, 115);     // crDkShadowBorder
    m.face3d = rgb(223, 250, 0);            // cr3dFace

    m.largeIcons = ImageListDef{142, 50, 1};
    m.smallIcons = ImageListDef{16, 15, 8};
    m.headerIcons = ImageListDef{0, 0, 0};
    m.headerBackgrounds = ImageListDef{0, 0, 0};

    m.groups.push_back(group("网站", {
        item("腾讯网"),
        item("新浪网"),
        item("百度", "百度"),
        item("网易"),
        item("凤凰"),
        item("人民网"),
        item("东方财富"),
        item("新华网"),
    }));
    m.groups.push_back(group("购物", {
        item("淘宝网"),
        item("京东商城"),
        item("苏宁易购"),
        item("亚马逊"),
        item("聚美优品"),
        item("唯品会"),
        item("国美在线"),
    }));
    m.groups.push_back(group("常用网站", {
        item("吾爱破解"),
        item("QQ活动网"),
        item("CF论坛"),
    }));
    m.groups.push_back(group("说明", {
        item("说明"),
        item("更新"),
    }));
    return m;
}

}  // namespace xy
