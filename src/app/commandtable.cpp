#include "app/commandtable.h"

#include <algorithm>

namespace korvel {

QString PopupEntry::path() const
{
    const QString p = QString::fromUtf8(parent);
    return p.isEmpty() ? QString::fromUtf8(title) : p + QLatin1Char('/') + QString::fromUtf8(title);
}

void CCommandTable::Add(CommandEntry entry)
{
    for (CommandEntry& e : m_entries) {
        if (e.id == entry.id) {
            e = std::move(entry);
            return;
        }
    }
    m_entries.push_back(std::move(entry));
}

void CCommandTable::AddPopup(PopupEntry popup)
{
    m_popups.push_back(popup);
}

const CommandEntry* CCommandTable::Find(int id) const
{
    for (const CommandEntry& e : m_entries) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

namespace {

void Sort(std::vector<CommandItem>& items)
{
    std::stable_sort(items.begin(), items.end(), [](const CommandItem& a, const CommandItem& b) {
        return a.group != b.group ? a.group < b.group : a.pos < b.pos;
    });
}

}  // namespace

std::vector<CommandItem> CCommandTable::MenuItems(MenuBarKind menu, const QString& path) const
{
    std::vector<CommandItem> items;
    for (const PopupEntry& p : m_popups) {
        if ((p.menus & menu) && QString::fromUtf8(p.parent) == path)
            items.push_back({p.group, p.pos, nullptr, &p});
    }
    for (const CommandEntry& e : m_entries) {
        for (const MenuPlace& place : e.menus) {
            if ((place.menus & menu) && QString::fromUtf8(place.path) == path) {
                items.push_back({place.group, place.pos, &e, nullptr});
            }
        }
    }
    Sort(items);
    return items;
}

std::vector<CommandItem> CCommandTable::BarItems(int barId) const
{
    std::vector<CommandItem> items;
    for (const CommandEntry& e : m_entries) {
        for (const BarPlace& place : e.bars) {
            if (place.barId == barId) items.push_back({place.group, place.pos, &e, nullptr});
        }
    }
    Sort(items);
    return items;
}

}  // namespace korvel
