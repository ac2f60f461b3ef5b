// What screen readers learn of the parts of the window that the program draws itself: a list is a
// table of cells, a toolbar a row of push buttons, a status bar a row of labels, a link a link. The
// toolkit's own controls are read as they are. Where every control is the system's own (Windows),
// these do nothing. Everything here runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// In pixels of the window that draws the part; it may lie outside what is shown.
struct AccessibleRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// A list's rows as the list has them, asked only when a reader asks, and only for what it asks: a
// million rows cost nothing until then. Texts are UTF-8.
class CAccessibleRows
{
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    virtual ~CAccessibleRows() = default;
    virtual std::size_t RowCount() const = 0;
    virtual int ColumnCount() const = 0;
    virtual std::string ColumnName(int column) const = 0;
    virtual std::string CellText(std::size_t row, int column) const = 0;
    // What the row's looks tell the eye and its texts do not (the group it belongs to); may be empty.
    virtual std::string RowDescription(std::size_t row) const = 0;
    virtual bool IsRowSelected(std::size_t row) const = 0;
    virtual std::size_t SelectedRowCount() const = 0;
    // The first selected row at or after `row`, or npos.
    virtual std::size_t NextSelectedRow(std::size_t row) const = 0;
    // The row the keyboard moves from, or npos.
    virtual std::size_t FocusedRow() const = 0;
    virtual AccessibleRect CellRect(std::size_t row, int column) const = 0;
    // The cell at a point of the window; false where there is none.
    virtual bool CellAt(int x, int y, std::size_t& row, int& column) const = 0;
    // Selects or clears the rows from `first` to `last`, both included, at a reader's request.
    virtual void SelectRows(std::size_t first, std::size_t last, bool on) = 0;
    // Numbers that move on with every change of the rows, and with every change of the selection.
    virtual std::uint64_t RowsVersion() const = 0;
    virtual std::uint64_t SelectionVersion() const = 0;
};

// Makes a list drawn by the program a table for readers, named `name`. `widget` is the toolkit's
// window that draws the rows and takes the keyboard (a GtkWidget* under GTK); `rows` outlives this.
class CAccessibleList
{
public:
    CAccessibleList(void* widget, const std::string& name, CAccessibleRows& rows);
    ~CAccessibleList();
    CAccessibleList(const CAccessibleList&) = delete;
    CAccessibleList& operator=(const CAccessibleList&) = delete;

    // Tells readers what changed since the last call, as the toolkit's own lists do: the rows, the
    // selection, the focused row, each once however much changed (a refill or Ctrl+A of a million rows
    // is one event). Costs a few comparisons when nothing changed; call it when the window is idle.
    void Update();

    struct State;

private:
    std::unique_ptr<State> m_state;
};

enum class EAccessibleRole
{
    ToolBar,
    StatusBar,
    PushButton,
    Label,
};

struct AccessiblePart
{
    std::string name;
    AccessibleRect rect;
    bool enabled = true;
};

// The parts of a bar that draws them all itself: its buttons or its panes.
class CAccessiblePartSource
{
public:
    virtual ~CAccessiblePartSource() = default;
    virtual std::size_t PartCount() const = 0;
    virtual AccessiblePart Part(std::size_t index) const = 0;
    // A reader's click on a push button; it comes from the event loop, never while the reader waits.
    virtual void PressPart(std::size_t index) = 0;
};

// Makes a bar a `role` holding its parts as `partRole`s. `widget` as above; `source` outlives this.
class CAccessibleParts
{
public:
    CAccessibleParts(void* widget, EAccessibleRole role, EAccessibleRole partRole,
                     CAccessiblePartSource& source);
    ~CAccessibleParts();
    CAccessibleParts(const CAccessibleParts&) = delete;
    CAccessibleParts& operator=(const CAccessibleParts&) = delete;

    // Tells readers of the parts whose names or states changed since the last call.
    void Update();
    // Has readers say the part's text now, politely, after what they are saying.
    void Announce(std::size_t index, const std::string& text);

    struct State;

private:
    std::unique_ptr<State> m_state;
};

// Makes a control that draws a line of text and opens an address a link; its text and address are
// asked when a reader asks, and `open` is what a reader's click does (from the event loop).
class CAccessibleLink
{
public:
    CAccessibleLink(void* widget, std::function<std::string()> text, std::function<std::string()> address,
                    std::function<void()> open);
    ~CAccessibleLink();
    CAccessibleLink(const CAccessibleLink&) = delete;
    CAccessibleLink& operator=(const CAccessibleLink&) = delete;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

// Has readers say `text` of the toolkit's own window `widget` (a dialog's message), politely.
void Announce(void* widget, const std::string& text);

} // namespace platform
