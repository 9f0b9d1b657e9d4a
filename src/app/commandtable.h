#pragma once
// The command table of the desktop program: every command of the menus and tool bars with its
// texts, icon, shortcut, places and behaviour, and the popups the menu bars are made of. The
// main window makes one QAction per entry and builds both menu bars and the tool bars from it.
//
// How to add a command: give it an id (app/commandids.h, or the header of the module that
// owns it) and put "status text\ntool tip" under the same id into the string table. Then add
// one CommandEntry in CMainFrame::createCommands() (app/maincommands.cpp) with its chained
// setters (the fields below say the same): `text` is the German menu text in
// QT_TRANSLATE_NOOP("korvel::CMainFrame", ...) with the key written after a tab
// ("&Speichern\tStrg+S"), `shortcut` the same key in portable text ("Ctrl+S", "F5"), `icon`
// the name of resources/icons/NAME.svg, `checkable` for toggles. `menus` lists its places in
// the menu bars (which bars, the popup path of German titles such as "&Datei/&Import", a group
// and a position; a separator goes between groups), `bars` its places on tool bars (bar id,
// group, position). `enabled` and `checked` are cheap predicates (they run on every refresh:
// never walk a document in one, ask CDocumentKinds), `handler` does the work. A command of
// the map view needs no handler: the active view claims it through
// CKorvelView::OnUpdateCommand (handled = true, enabled or not) and runs it in OnCommand; the
// view is always asked first. An entry that nobody handles is disabled, so add entries only
// for commands that exist: a command without an entry simply does not appear. A new popup is
// one PopupEntry (parent path, title, place). New menu texts reach the language modules with
// resources/translations/update_translations.py. Command states are refreshed on document and
// receiver signals, on window activation and by a light timer.

#include <QAction>

#include <functional>
#include <vector>

namespace korvel {

// The two menu bars: the one without a document window and the one with.
enum MenuBarKind : unsigned {
    kMenuNoDocument = 1,
    kMenuDocument = 2,
    kMenuBoth = 3,
};

// A place in a menu: the popup (German titles joined by '/', e.g. "&Datei/&Import"), the group
// (separators go between groups) and the order within the group.
struct MenuPlace {
    unsigned menus = kMenuBoth;
    const char* path = nullptr;
    int group = 0;
    int pos = 0;
};

// A place on a tool bar (bar ids ID_VIEW_TOOLBAR_*).
struct BarPlace {
    int barId = 0;
    int group = 0;
    int pos = 0;
};

// One command. Built with the chained setters, e.g.
//     CommandEntry(ID_FILE_SAVE).Text(QT_TRANSLATE_NOOP("korvel::CMainFrame", "&Speichern\tStrg+S"))
//         .Icon("save").Shortcut("Ctrl+S").InMenu(kMenuDocument, "&Datei", 1, 40)
//         .OnBar(ID_VIEW_TOOLBAR_FILE, 1, 30).EnabledWhen(hasWindow).Handler([this] { ... })
struct CommandEntry {
    explicit CommandEntry(int commandId) : id(commandId) {}

    CommandEntry& Text(const char* germanMenuText)
    {
        text = germanMenuText;
        return *this;
    }
    CommandEntry& Icon(const char* name)
    {
        icon = name;
        return *this;
    }
    CommandEntry& Shortcut(const char* portableText)
    {
        shortcut = portableText;
        return *this;
    }
    CommandEntry& Checkable()
    {
        checkable = true;
        return *this;
    }
    CommandEntry& Role(QAction::MenuRole r)
    {
        role = r;
        return *this;
    }
    CommandEntry& InMenu(unsigned which, const char* path, int group, int pos)
    {
        menus.push_back({which, path, group, pos});
        return *this;
    }
    CommandEntry& OnBar(int barId, int group, int pos)
    {
        bars.push_back({barId, group, pos});
        return *this;
    }
    CommandEntry& EnabledWhen(std::function<bool()> f)
    {
        enabled = std::move(f);
        return *this;
    }
    CommandEntry& CheckedWhen(std::function<bool()> f)
    {
        checked = std::move(f);
        return *this;
    }
    CommandEntry& Handler(std::function<void()> f)
    {
        handler = std::move(f);
        return *this;
    }
    CommandEntry& Face(std::function<void(QAction&)> f)
    {
        face = std::move(f);
        return *this;
    }

    int id = 0;
    const char* text = nullptr;      // German menu text (context "korvel::CMainFrame"), key after a tab
    const char* icon = nullptr;      // resources/icons/<icon>.svg
    const char* shortcut = nullptr;  // QKeySequence::PortableText
    bool checkable = false;
    QAction::MenuRole role = QAction::NoRole;
    std::vector<MenuPlace> menus;
    std::vector<BarPlace> bars;
    std::function<bool()> enabled;  // empty: enabled whenever there is a handler
    std::function<bool()> checked;  // empty: never checked
    std::function<void()> handler;  // empty: the active view's command, disabled without one
    // For commands whose text or visibility follows run-time state (the recent files): called
    // on every refresh.
    std::function<void(QAction&)> face;
};

// What fills a popup besides its commands.
enum class PopupKind {
    Commands,   // only table entries
    Windows,    // table entries, then the list of document windows (filled when shown)
    Languages,  // one item per language module; left out with fewer than two modules
};

struct PopupEntry {
    unsigned menus = kMenuBoth;
    const char* parent = "";      // path of the parent popup; "" is the menu bar itself
    const char* title = nullptr;  // German title (context "korvel::CMainFrame")
    int group = 0;
    int pos = 0;
    PopupKind kind = PopupKind::Commands;

    QString path() const;  // parent/title, the path MenuPlace uses
};

// One item of a popup or tool bar, in display order.
struct CommandItem {
    int group = 0;
    int pos = 0;
    const CommandEntry* command = nullptr;  // either a command
    const PopupEntry* popup = nullptr;      // or a popup
};

class CCommandTable {
public:
    // Adds an entry; an entry with the same id is replaced.
    void Add(CommandEntry entry);
    void AddPopup(PopupEntry popup);

    const CommandEntry* Find(int id) const;
    const std::vector<CommandEntry>& entries() const { return m_entries; }
    const std::vector<PopupEntry>& popups() const { return m_popups; }

    // The items of popup `path` ("" for the menu bar) in menu bar `menu`, sorted by group and
    // position (equal places keep the order of the table).
    std::vector<CommandItem> MenuItems(MenuBarKind menu, const QString& path) const;
    // The commands of tool bar `barId`, sorted the same way.
    std::vector<CommandItem> BarItems(int barId) const;

private:
    std::vector<CommandEntry> m_entries;
    std::vector<PopupEntry> m_popups;
};

}  // namespace korvel
