// A list drawn by the program, as a table for readers. As the toolkit's own lists do, the table's
// children are its column headings and then its cells, row by row; a cell object is made when a reader
// asks for it and lives as long as somebody holds it (the bus keeps what it hands out for a few
// seconds, the table keeps the focused cell), so that a million rows cost nothing until asked. When
// the rows change, every cell made so far is defunct and the table says that its model changed.
#include "platform/posix/AccessibleObject.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

namespace {

struct QvTable
{
    GtkWidgetAccessible parent;
    CAccessibleList::State* state; // null once the list is gone
};

struct QvCell
{
    AtkObject parent;
    QvTable* table;  // held through the cell's accessible parent
    std::size_t row; // npos for a column heading
    int column;
    std::uint64_t rowsVersion; // the rows the cell was made for
};

GType TableType();
GType CellType();

QvTable* AsTable(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, TableType(), QvTable);
}

QvCell* AsCell(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, CellType(), QvCell);
}

AtkObjectClass* s_tableParent = nullptr;
AtkObjectClass* s_cellParent = nullptr;

} // namespace

struct CAccessibleList::State
{
    State(GtkWidget* listWidget, CAccessibleRows& listRows) : widget(listWidget), rows(listRows) {}

    GtkWidget* widget; // cleared when the widget goes first
    CAccessibleRows& rows;
    QvTable* table = nullptr;
    std::vector<AtkObject*> headings;
    std::unordered_map<std::size_t, QvCell*> cells; // by child index; a cell leaves as it is finalized
    std::uint64_t cellsVersion = 0;                 // the rows those cells were made for
    QvCell* focusCell = nullptr;                    // held while it is the focused row's
    std::uint64_t toldRows = 0;
    std::uint64_t toldSelection = 0;
    std::size_t toldFocus = CAccessibleRows::npos;
    std::string rowDescription; // the last answer of get_row_description, which the caller does not own
    // The selected row last asked for by its place among them, so that a reader going through a large
    // selection in order is answered from there rather than from the first row each time.
    std::uint64_t nthRows = 0;
    std::uint64_t nthSelection = 0;
    std::size_t nthPlace = 0;
    std::size_t nthRow = CAccessibleRows::npos;
    gulong focusIn = 0;
    gulong focusOut = 0;
};

namespace {

using State = CAccessibleList::State;
constexpr std::size_t npos = CAccessibleRows::npos;

State* StateOf(gpointer table)
{
    return AsTable(table)->state;
}

int Columns(const State& state)
{
    return std::max(state.rows.ColumnCount(), 1);
}

gint ChildIndex(const State& state, std::size_t row, int column)
{
    return row == npos ? column
                       : static_cast<gint>((row + 1) * static_cast<std::size_t>(Columns(state))) + column;
}

bool IsCurrent(const QvCell* cell)
{
    const State* state = cell->table->state;
    if (state == nullptr)
        return false;
    return cell->row == npos ||
           (cell->rowsVersion == state->rows.RowsVersion() && cell->row < state->rows.RowCount());
}

bool HasFocus(const State& state)
{
    return state.widget != nullptr && gtk_widget_has_focus(state.widget);
}

// Every cell made for rows that are gone is defunct: readers drop it, and the next ask makes another.
void ForgetCells(State& state)
{
    // Held while they are told, so that none goes while another is told.
    std::vector<AtkObject*> gone;
    for (const auto& entry : state.cells)
        gone.push_back(ATK_OBJECT(g_object_ref(entry.second)));
    state.cells.clear();
    state.cellsVersion = state.rows.RowsVersion();
    for (AtkObject* cell : gone) {
        atk_object_notify_state_change(cell, ATK_STATE_DEFUNCT, TRUE);
        g_object_unref(cell);
    }
    if (state.focusCell != nullptr)
        g_object_unref(std::exchange(state.focusCell, nullptr));
}

AtkObject* MakeCell(State& state, std::size_t row, int column)
{
    auto* cell = AsCell(g_object_new(CellType(), nullptr));
    cell->table = state.table;
    cell->row = row;
    cell->column = column;
    cell->rowsVersion = state.rows.RowsVersion();
    AtkObject* object = ATK_OBJECT(cell);
    object->role = row == npos ? ATK_ROLE_COLUMN_HEADER : ATK_ROLE_TABLE_CELL;
    object->name =
        atk::DupUtf8(row == npos ? state.rows.ColumnName(column) : state.rows.CellText(row, column));
    if (row != npos) {
        const std::string description = state.rows.RowDescription(row);
        if (!description.empty())
            object->description = atk::DupUtf8(description);
    }
    atk_object_set_parent(object, ATK_OBJECT(state.table));
    return object;
}

AtkObject* Heading(State& state, int column)
{
    if (state.headings.empty())
        for (int i = 0; i < Columns(state); ++i)
            state.headings.push_back(MakeCell(state, npos, i));
    return column >= 0 && static_cast<std::size_t>(column) < state.headings.size()
               ? state.headings[static_cast<std::size_t>(column)]
               : nullptr;
}

// A new reference to the cell's object, made now unless somebody holds it still: a new one's only
// reference is the caller's, so that it goes once nobody holds it.
AtkObject* RefCellObject(State& state, std::size_t row, int column)
{
    if (state.cellsVersion != state.rows.RowsVersion())
        ForgetCells(state);
    const auto index = static_cast<std::size_t>(ChildIndex(state, row, column));
    const auto found = state.cells.find(index);
    if (found != state.cells.end())
        return ATK_OBJECT(g_object_ref(found->second));
    AtkObject* cell = MakeCell(state, row, column);
    state.cells.emplace(index, AsCell(cell));
    return cell;
}

// A new reference to the cell, or null outside the table.
AtkObject* RefCell(State* state, gint row, gint column)
{
    if (state == nullptr || row < 0 || column < 0 || column >= Columns(*state) ||
        static_cast<std::size_t>(row) >= state->rows.RowCount())
        return nullptr;
    return RefCellObject(*state, static_cast<std::size_t>(row), column);
}

// The focused row's first cell takes the focus readers follow, as the toolkit's lists do; the table
// holds it while it has the focus.
void MoveFocusCell(State& state, bool force)
{
    const std::size_t row = state.rows.FocusedRow();
    state.toldFocus = row;
    if (!HasFocus(state) || row == npos || row >= state.rows.RowCount())
        return;
    AtkObject* cell = RefCellObject(state, row, 0);
    if (ATK_OBJECT(state.focusCell) == cell) {
        g_object_unref(cell);
        if (!force)
            return;
    } else {
        if (state.focusCell != nullptr) {
            atk_object_notify_state_change(ATK_OBJECT(state.focusCell), ATK_STATE_FOCUSED, FALSE);
            g_object_unref(state.focusCell);
        }
        state.focusCell = AsCell(cell);
    }
    atk_object_notify_state_change(cell, ATK_STATE_FOCUSED, TRUE);
    g_signal_emit_by_name(state.table, "active-descendant-changed", cell);
}

// The selected state of the cells readers hold that are on screen or focused, as the toolkit's lists
// tell theirs; a reader learns the rest from selection-changed and asks afresh, so that Ctrl+A costs
// one event a row shown rather than one for every cell a reader walked.
void TellSelectedCells(State& state)
{
    std::vector<std::pair<AtkObject*, bool>> cells;
    for (const auto& entry : state.cells)
        if (IsCurrent(entry.second) && entry.second->row != npos &&
            (entry.second == state.focusCell ||
             (state.widget != nullptr &&
              atk::IsShownIn(state.widget, state.rows.CellRect(entry.second->row, entry.second->column)))))
            cells.emplace_back(ATK_OBJECT(g_object_ref(entry.second)),
                               state.rows.IsRowSelected(entry.second->row));
    for (const auto& [cell, selected] : cells) {
        atk_object_notify_state_change(cell, ATK_STATE_SELECTED, selected);
        g_object_unref(cell);
    }
}

// Tells readers what changed since they were told last: each kind of change once.
void TellChanges(State& state)
{
    if (state.rows.RowsVersion() != state.toldRows) {
        state.toldRows = state.rows.RowsVersion();
        ForgetCells(state);
        g_signal_emit_by_name(state.table, "model-changed");
        g_signal_emit_by_name(state.table, "visible-data-changed");
        state.toldFocus = npos; // the focused row's cell is another object now
    }
    if (state.rows.SelectionVersion() != state.toldSelection) {
        state.toldSelection = state.rows.SelectionVersion();
        TellSelectedCells(state);
        g_signal_emit_by_name(state.table, "selection-changed");
    }
    if (state.rows.FocusedRow() != state.toldFocus)
        MoveFocusCell(state, false);
}

gboolean OnFocusIn(GtkWidget*, GdkEvent*, gpointer data)
{
    MoveFocusCell(*static_cast<State*>(data), true);
    return FALSE;
}

gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer data)
{
    auto& state = *static_cast<State*>(data);
    if (state.focusCell != nullptr)
        atk_object_notify_state_change(ATK_OBJECT(state.focusCell), ATK_STATE_FOCUSED, FALSE);
    return FALSE;
}

// The selected rows in order, each as many times as the table has columns, as the toolkit's lists count
// their selected children.
std::size_t NthSelectedRow(State& state, std::size_t n)
{
    std::size_t place = 0;
    std::size_t row = state.rows.NextSelectedRow(0);
    if (state.nthRows == state.rows.RowsVersion() && state.nthSelection == state.rows.SelectionVersion() &&
        state.nthRow != npos && state.nthPlace <= n) {
        place = state.nthPlace;
        row = state.nthRow;
    }
    for (; row != npos && place < n; ++place)
        row = state.rows.NextSelectedRow(row + 1);
    state.nthRows = state.rows.RowsVersion();
    state.nthSelection = state.rows.SelectionVersion();
    state.nthPlace = place;
    state.nthRow = row;
    return row;
}

// --- the table's object

gint TableChildCount(AtkObject* object)
{
    const State* state = StateOf(object);
    if (state == nullptr)
        return 0;
    const std::size_t count = (state->rows.RowCount() + 1) * static_cast<std::size_t>(Columns(*state));
    return static_cast<gint>(std::min<std::size_t>(count, G_MAXINT));
}

AtkObject* TableRefChild(AtkObject* object, gint index)
{
    State* state = StateOf(object);
    if (state == nullptr || index < 0)
        return nullptr;
    const int columns = Columns(*state);
    if (index < columns) {
        AtkObject* heading = Heading(*state, index);
        return heading != nullptr ? ATK_OBJECT(g_object_ref(heading)) : nullptr;
    }
    return RefCell(state, index / columns - 1, index % columns);
}

AtkStateSet* TableStates(AtkObject* object)
{
    AtkStateSet* states = s_tableParent->ref_state_set(object);
    if (StateOf(object) != nullptr) {
        atk_state_set_add_state(states, ATK_STATE_MANAGES_DESCENDANTS);
        atk_state_set_add_state(states, ATK_STATE_MULTISELECTABLE);
    }
    return states;
}

// The widget's tip names whatever row the pointer rests on: it says nothing of the list as a whole.
const gchar* TableDescription(AtkObject* object)
{
    return object->description;
}

void TableInitialize(AtkObject* object, gpointer widget)
{
    s_tableParent->initialize(object, widget);
    object->role = ATK_ROLE_TABLE;
}

void TableClassInit(gpointer klass, gpointer)
{
    s_tableParent = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
    auto* atkClass = ATK_OBJECT_CLASS(klass);
    atkClass->get_n_children = TableChildCount;
    atkClass->ref_child = TableRefChild;
    atkClass->ref_state_set = TableStates;
    atkClass->get_description = TableDescription;
    atkClass->initialize = TableInitialize;
}

// --- AtkTable

gint RowCount(AtkTable* table)
{
    const State* state = StateOf(table);
    return state != nullptr ? static_cast<gint>(std::min<std::size_t>(state->rows.RowCount(), G_MAXINT)) : 0;
}

gint ColumnCount(AtkTable* table)
{
    const State* state = StateOf(table);
    return state != nullptr ? Columns(*state) : 0;
}

AtkObject* RefAt(AtkTable* table, gint row, gint column)
{
    return RefCell(StateOf(table), row, column);
}

gint IndexAt(AtkTable* table, gint row, gint column)
{
    const State* state = StateOf(table);
    if (state == nullptr || row < 0 || column < 0 || column >= Columns(*state))
        return -1;
    return ChildIndex(*state, static_cast<std::size_t>(row), column);
}

gint ColumnAtIndex(AtkTable* table, gint index)
{
    const State* state = StateOf(table);
    return state != nullptr && index >= 0 ? index % Columns(*state) : -1;
}

gint RowAtIndex(AtkTable* table, gint index)
{
    const State* state = StateOf(table);
    return state != nullptr && index >= Columns(*state) ? index / Columns(*state) - 1 : -1;
}

const gchar* ColumnDescription(AtkTable* table, gint column)
{
    State* state = StateOf(table);
    AtkObject* heading = state != nullptr ? Heading(*state, column) : nullptr;
    return heading != nullptr ? heading->name : nullptr;
}

AtkObject* ColumnHeader(AtkTable* table, gint column)
{
    State* state = StateOf(table);
    return state != nullptr ? Heading(*state, column) : nullptr;
}

const gchar* RowDescription(AtkTable* table, gint row)
{
    State* state = StateOf(table);
    if (state == nullptr || row < 0 || static_cast<std::size_t>(row) >= state->rows.RowCount())
        return nullptr;
    gchar* valid = atk::DupUtf8(state->rows.RowDescription(static_cast<std::size_t>(row)));
    state->rowDescription = valid;
    g_free(valid);
    return state->rowDescription.c_str();
}

gboolean IsRowSelected(AtkTable* table, gint row)
{
    const State* state = StateOf(table);
    return state != nullptr && row >= 0 && static_cast<std::size_t>(row) < state->rows.RowCount() &&
           state->rows.IsRowSelected(static_cast<std::size_t>(row));
}

gboolean IsCellSelected(AtkTable* table, gint row, gint)
{
    return IsRowSelected(table, row);
}

gint SelectedRows(AtkTable* table, gint** selected)
{
    const State* state = StateOf(table);
    if (state == nullptr)
        return 0;
    const std::size_t count = std::min<std::size_t>(state->rows.SelectedRowCount(), G_MAXINT);
    if (selected != nullptr) {
        *selected = g_new(gint, std::max<std::size_t>(count, 1));
        std::size_t i = 0;
        for (std::size_t row = state->rows.NextSelectedRow(0); row != npos && i < count;
             row = state->rows.NextSelectedRow(row + 1))
            (*selected)[i++] = static_cast<gint>(row);
    }
    return static_cast<gint>(count);
}

// A reader's change of the selection is told at once, as a user's would be when the window is idle.
gboolean SelectRow(AtkTable* table, gint row, bool on)
{
    State* state = StateOf(table);
    if (state == nullptr || row < 0 || static_cast<std::size_t>(row) >= state->rows.RowCount())
        return FALSE;
    state->rows.SelectRows(static_cast<std::size_t>(row), static_cast<std::size_t>(row), on);
    TellChanges(*state);
    return TRUE;
}

gboolean AddRowSelection(AtkTable* table, gint row)
{
    return SelectRow(table, row, true);
}

gboolean RemoveRowSelection(AtkTable* table, gint row)
{
    return SelectRow(table, row, false);
}

void TableInterfaceInit(gpointer iface, gpointer)
{
    auto* table = static_cast<AtkTableIface*>(iface);
    table->ref_at = RefAt;
    table->get_index_at = IndexAt;
    table->get_column_at_index = ColumnAtIndex;
    table->get_row_at_index = RowAtIndex;
    table->get_n_columns = ColumnCount;
    table->get_n_rows = RowCount;
    table->get_column_description = ColumnDescription;
    table->get_column_header = ColumnHeader;
    table->get_row_description = RowDescription;
    table->is_row_selected = IsRowSelected;
    table->is_selected = IsCellSelected;
    table->get_selected_rows = SelectedRows;
    table->add_row_selection = AddRowSelection;
    table->remove_row_selection = RemoveRowSelection;
}

// --- AtkSelection: the cells of the selected rows

gint SelectionCount(AtkSelection* selection)
{
    const State* state = StateOf(selection);
    if (state == nullptr)
        return 0;
    const std::size_t count = state->rows.SelectedRowCount() * static_cast<std::size_t>(Columns(*state));
    return static_cast<gint>(std::min<std::size_t>(count, G_MAXINT));
}

AtkObject* RefSelection(AtkSelection* selection, gint i)
{
    State* state = StateOf(selection);
    if (state == nullptr || i < 0)
        return nullptr;
    const int columns = Columns(*state);
    const std::size_t row = NthSelectedRow(*state, static_cast<std::size_t>(i / columns));
    return row == npos ? nullptr : RefCell(state, static_cast<gint>(row), i % columns);
}

gboolean IsChildSelected(AtkSelection* selection, gint i)
{
    return IsRowSelected(ATK_TABLE(selection), RowAtIndex(ATK_TABLE(selection), i));
}

gboolean AddSelection(AtkSelection* selection, gint i)
{
    return SelectRow(ATK_TABLE(selection), RowAtIndex(ATK_TABLE(selection), i), true);
}

gboolean RemoveSelection(AtkSelection* selection, gint i)
{
    State* state = StateOf(selection);
    if (state == nullptr || i < 0)
        return FALSE;
    const std::size_t row = NthSelectedRow(*state, static_cast<std::size_t>(i / Columns(*state)));
    return row != npos && SelectRow(ATK_TABLE(selection), static_cast<gint>(row), false);
}

gboolean SelectEveryRow(AtkSelection* selection, bool on)
{
    State* state = StateOf(selection);
    if (state == nullptr || state->rows.RowCount() == 0)
        return FALSE;
    state->rows.SelectRows(0, state->rows.RowCount() - 1, on);
    TellChanges(*state);
    return TRUE;
}

gboolean ClearSelection(AtkSelection* selection)
{
    return SelectEveryRow(selection, false);
}

gboolean SelectAll(AtkSelection* selection)
{
    return SelectEveryRow(selection, true);
}

void SelectionInterfaceInit(gpointer iface, gpointer)
{
    auto* selection = static_cast<AtkSelectionIface*>(iface);
    selection->get_selection_count = SelectionCount;
    selection->ref_selection = RefSelection;
    selection->is_child_selected = IsChildSelected;
    selection->add_selection = AddSelection;
    selection->remove_selection = RemoveSelection;
    selection->clear_selection = ClearSelection;
    selection->select_all_selection = SelectAll;
}

// --- AtkComponent: the cell under a point

AtkObject* RefCellAtPoint(AtkComponent* component, gint x, gint y, AtkCoordType coords)
{
    State* state = StateOf(component);
    if (state == nullptr || state->widget == nullptr)
        return nullptr;
    gint originX = 0;
    gint originY = 0;
    atk::WidgetOrigin(state->widget, coords, originX, originY);
    std::size_t row = 0;
    int column = 0;
    if (!state->rows.CellAt(x - originX, y - originY, row, column))
        return nullptr;
    return RefCell(state, static_cast<gint>(row), column);
}

void ComponentInterfaceInit(gpointer iface, gpointer)
{
    static_cast<AtkComponentIface*>(iface)->ref_accessible_at_point = RefCellAtPoint;
}

GType TableType()
{
    static const GType type =
        atk::RegisterType(GTK_TYPE_WIDGET_ACCESSIBLE, "QuorvelAccessibleTable",
                          sizeof(GtkWidgetAccessibleClass), sizeof(QvTable), TableClassInit,
                          {{ATK_TYPE_TABLE, TableInterfaceInit},
                           {ATK_TYPE_SELECTION, SelectionInterfaceInit},
                           {ATK_TYPE_COMPONENT, ComponentInterfaceInit}});
    return type;
}

// --- a cell, or a column heading

AtkStateSet* CellStates(AtkObject* object)
{
    const QvCell* cell = AsCell(object);
    AtkStateSet* states = atk_state_set_new();
    if (!IsCurrent(cell)) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    const State& state = *cell->table->state;
    for (const AtkStateType always :
         {ATK_STATE_TRANSIENT, ATK_STATE_VISIBLE, ATK_STATE_ENABLED, ATK_STATE_SENSITIVE})
        atk_state_set_add_state(states, always);
    if (cell->row == npos) {
        if (state.widget != nullptr && gtk_widget_get_mapped(state.widget))
            atk_state_set_add_state(states, ATK_STATE_SHOWING);
        return states;
    }
    atk_state_set_add_state(states, ATK_STATE_SELECTABLE);
    atk_state_set_add_state(states, ATK_STATE_FOCUSABLE);
    if (state.rows.IsRowSelected(cell->row))
        atk_state_set_add_state(states, ATK_STATE_SELECTED);
    if (cell->column == 0 && cell->row == state.rows.FocusedRow() && HasFocus(state))
        atk_state_set_add_state(states, ATK_STATE_FOCUSED);
    if (state.widget != nullptr && atk::IsShownIn(state.widget, state.rows.CellRect(cell->row, cell->column)))
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    return states;
}

gint CellIndex(AtkObject* object)
{
    const QvCell* cell = AsCell(object);
    return IsCurrent(cell) ? ChildIndex(*cell->table->state, cell->row, cell->column) : -1;
}

void CellFinalize(GObject* object)
{
    const QvCell* cell = AsCell(object);
    State* state = cell->table != nullptr ? cell->table->state : nullptr;
    if (state != nullptr && cell->row != npos && cell->rowsVersion == state->cellsVersion) {
        const auto found =
            state->cells.find(static_cast<std::size_t>(ChildIndex(*state, cell->row, cell->column)));
        if (found != state->cells.end() && found->second == cell)
            state->cells.erase(found);
    }
    G_OBJECT_CLASS(s_cellParent)->finalize(object);
}

void CellClassInit(gpointer klass, gpointer)
{
    s_cellParent = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = CellFinalize;
    ATK_OBJECT_CLASS(klass)->ref_state_set = CellStates;
    ATK_OBJECT_CLASS(klass)->get_index_in_parent = CellIndex;
}

void CellExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords)
{
    const QvCell* cell = AsCell(component);
    *x = *y = *width = *height = 0;
    const State* state = IsCurrent(cell) && cell->row != npos ? cell->table->state : nullptr;
    if (state == nullptr || state->widget == nullptr)
        return;
    const AccessibleRect rect = state->rows.CellRect(cell->row, cell->column);
    gint originX = 0;
    gint originY = 0;
    atk::WidgetOrigin(state->widget, coords, originX, originY);
    *x = originX + rect.x;
    *y = originY + rect.y;
    *width = rect.width;
    *height = rect.height;
}

void CellComponentInit(gpointer iface, gpointer)
{
    static_cast<AtkComponentIface*>(iface)->get_extents = CellExtents;
}

gboolean CellPosition(AtkTableCell* tableCell, gint* row, gint* column)
{
    const QvCell* cell = AsCell(tableCell);
    if (!IsCurrent(cell) || cell->row == npos)
        return FALSE;
    *row = static_cast<gint>(cell->row);
    *column = cell->column;
    return TRUE;
}

gint OneCell(AtkTableCell*)
{
    return 1;
}

gboolean CellSpan(AtkTableCell* tableCell, gint* row, gint* column, gint* rowSpan, gint* columnSpan)
{
    *rowSpan = *columnSpan = 1;
    return CellPosition(tableCell, row, column);
}

GPtrArray* CellHeadings(AtkTableCell* tableCell)
{
    const QvCell* cell = AsCell(tableCell);
    GPtrArray* headings = g_ptr_array_new_with_free_func(g_object_unref);
    if (IsCurrent(cell) && cell->row != npos)
        if (AtkObject* heading = Heading(*cell->table->state, cell->column))
            g_ptr_array_add(headings, g_object_ref(heading));
    return headings;
}

AtkObject* CellTable(AtkTableCell* tableCell)
{
    return ATK_OBJECT(g_object_ref(AsCell(tableCell)->table));
}

void CellTableCellInit(gpointer iface, gpointer)
{
    auto* cell = static_cast<AtkTableCellIface*>(iface);
    cell->get_position = CellPosition;
    cell->get_row_span = OneCell;
    cell->get_column_span = OneCell;
    cell->get_row_column_span = CellSpan;
    cell->get_column_header_cells = CellHeadings;
    cell->get_table = CellTable;
}

GType CellType()
{
    static const GType type = atk::RegisterType(
        ATK_TYPE_OBJECT, "QuorvelAccessibleCell", sizeof(AtkObjectClass), sizeof(QvCell), CellClassInit,
        {{ATK_TYPE_COMPONENT, CellComponentInit}, {ATK_TYPE_TABLE_CELL, CellTableCellInit}});
    return type;
}

} // namespace

CAccessibleList::CAccessibleList(void* widget, const std::string& name, CAccessibleRows& rows)
    : m_state(std::make_unique<State>(GTK_WIDGET(widget), rows))
{
    State& state = *m_state;
    g_object_add_weak_pointer(G_OBJECT(state.widget), reinterpret_cast<gpointer*>(&state.widget));
    state.table = AsTable(g_object_new(TableType(), nullptr));
    state.table->state = &state;
    atk::Install(state.widget, ATK_OBJECT(g_object_ref(state.table)));
    gchar* valid = atk::DupUtf8(name);
    atk_object_set_name(ATK_OBJECT(state.table), valid);
    g_free(valid);
    state.cellsVersion = state.toldRows = rows.RowsVersion();
    state.toldSelection = rows.SelectionVersion();
    state.focusIn = g_signal_connect_after(state.widget, "focus-in-event", G_CALLBACK(OnFocusIn), &state);
    state.focusOut = g_signal_connect_after(state.widget, "focus-out-event", G_CALLBACK(OnFocusOut), &state);
}

CAccessibleList::~CAccessibleList()
{
    State& state = *m_state;
    if (state.widget != nullptr) {
        g_signal_handler_disconnect(state.widget, state.focusIn);
        g_signal_handler_disconnect(state.widget, state.focusOut);
        g_object_remove_weak_pointer(G_OBJECT(state.widget), reinterpret_cast<gpointer*>(&state.widget));
    }
    ForgetCells(state);
    for (AtkObject* heading : state.headings)
        g_object_unref(heading);
    state.table->state = nullptr; // readers still holding the table find it empty
    g_object_unref(state.table);
}

void CAccessibleList::Update()
{
    TellChanges(*m_state);
}

} // namespace platform
