// Bars that draw their buttons or panes themselves, and links that draw themselves, for readers: a
// bar's parts are its children, each made the first time a reader asks for it and kept while the bar
// has it; a link is the widget's own object, with its address as a hyperlink's.
#include "platform/posix/AccessibleObject.h"

#include <vector>

namespace platform {
namespace {

struct QvBar
{
    GtkWidgetAccessible parent;
    CAccessibleParts::State* state; // null once the bar's owner is gone
};

struct QvPart
{
    AtkObject parent;
    QvBar* bar; // held through the part's accessible parent
    std::size_t index;
};

GType BarType();
GType PartType();

QvBar* AsBar(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, BarType(), QvBar);
}

QvPart* AsPart(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, PartType(), QvPart);
}

} // namespace

struct CAccessibleParts::State
{
    State(GtkWidget* barWidget, AtkRole role, CAccessiblePartSource& partSource)
        : widget(barWidget), partRole(role), source(partSource)
    {}

    GtkWidget* widget; // cleared when the widget goes first
    AtkRole partRole;
    CAccessiblePartSource& source;
    QvBar* bar = nullptr;
    std::vector<AtkObject*> parts; // made on demand, held while they are parts
    std::vector<AccessiblePart> told;
};

namespace {

using PartsState = CAccessibleParts::State;

bool IsCurrent(const QvPart* part)
{
    const PartsState* state = part->bar->state;
    return state != nullptr && part->index < state->source.PartCount();
}

void SetName(AtkObject* object, const std::string& name)
{
    g_free(object->name);
    object->name = atk::DupUtf8(name);
}

AtkObject* MakePart(PartsState& state, std::size_t index)
{
    auto* part = AsPart(g_object_new(PartType(), nullptr));
    part->bar = state.bar;
    part->index = index;
    AtkObject* object = ATK_OBJECT(part);
    object->role = state.partRole;
    SetName(object, state.source.Part(index).name);
    atk_object_set_parent(object, ATK_OBJECT(state.bar));
    return object;
}

// The part's object, made now if it was not; not a new reference.
AtkObject* Part(PartsState& state, std::size_t index)
{
    while (state.parts.size() <= index) {
        state.parts.push_back(MakePart(state, state.parts.size()));
        state.told.push_back(state.source.Part(state.parts.size() - 1));
    }
    return state.parts[index];
}

// Parts past the bar's count leave it, defunct.
void DropPartsPast(PartsState& state, std::size_t count)
{
    while (state.parts.size() > count) {
        AtkObject* gone = state.parts.back();
        state.parts.pop_back();
        state.told.pop_back();
        atk_object_notify_state_change(gone, ATK_STATE_DEFUNCT, TRUE);
        g_signal_emit_by_name(state.bar, "children-changed::remove", static_cast<gint>(state.parts.size()),
                              gone);
        g_object_unref(gone);
    }
}

void TellPart(PartsState& state, std::size_t index)
{
    const AccessiblePart now = state.source.Part(index);
    AccessiblePart& told = state.told[index];
    AtkObject* object = state.parts[index];
    if (now.name != told.name) {
        SetName(object, now.name);
        g_object_notify(G_OBJECT(object), "accessible-name");
    }
    if (now.enabled != told.enabled) {
        atk_object_notify_state_change(object, ATK_STATE_ENABLED, now.enabled);
        atk_object_notify_state_change(object, ATK_STATE_SENSITIVE, now.enabled);
    }
    told = now;
}

// --- the bar's object

gint BarChildCount(AtkObject* object)
{
    const PartsState* state = AsBar(object)->state;
    return state != nullptr ? static_cast<gint>(state->source.PartCount()) : 0;
}

AtkObject* BarRefChild(AtkObject* object, gint index)
{
    PartsState* state = AsBar(object)->state;
    if (state == nullptr || index < 0 || static_cast<std::size_t>(index) >= state->source.PartCount())
        return nullptr;
    return ATK_OBJECT(g_object_ref(Part(*state, static_cast<std::size_t>(index))));
}

void BarClassInit(gpointer klass, gpointer)
{
    ATK_OBJECT_CLASS(klass)->get_n_children = BarChildCount;
    ATK_OBJECT_CLASS(klass)->ref_child = BarRefChild;
}

GType BarType()
{
    static const GType type =
        atk::RegisterType(GTK_TYPE_WIDGET_ACCESSIBLE, "QuorvelAccessibleBar",
                          sizeof(GtkWidgetAccessibleClass), sizeof(QvBar), BarClassInit);
    return type;
}

// --- a part

const gchar* PartName(AtkObject* object)
{
    const QvPart* part = AsPart(object);
    if (IsCurrent(part))
        SetName(object, part->bar->state->source.Part(part->index).name);
    return object->name;
}

AtkStateSet* PartStates(AtkObject* object)
{
    const QvPart* part = AsPart(object);
    AtkStateSet* states = atk_state_set_new();
    if (!IsCurrent(part)) {
        atk_state_set_add_state(states, ATK_STATE_DEFUNCT);
        return states;
    }
    const PartsState& state = *part->bar->state;
    const AccessiblePart now = state.source.Part(part->index);
    atk_state_set_add_state(states, ATK_STATE_VISIBLE);
    if (state.widget != nullptr && atk::IsShownIn(state.widget, now.rect))
        atk_state_set_add_state(states, ATK_STATE_SHOWING);
    if (now.enabled) {
        atk_state_set_add_state(states, ATK_STATE_ENABLED);
        atk_state_set_add_state(states, ATK_STATE_SENSITIVE);
    }
    return states;
}

gint PartIndex(AtkObject* object)
{
    const QvPart* part = AsPart(object);
    return IsCurrent(part) ? static_cast<gint>(part->index) : -1;
}

void PartClassInit(gpointer klass, gpointer)
{
    ATK_OBJECT_CLASS(klass)->get_name = PartName;
    ATK_OBJECT_CLASS(klass)->ref_state_set = PartStates;
    ATK_OBJECT_CLASS(klass)->get_index_in_parent = PartIndex;
}

void PartExtents(AtkComponent* component, gint* x, gint* y, gint* width, gint* height, AtkCoordType coords)
{
    const QvPart* part = AsPart(component);
    *x = *y = *width = *height = 0;
    if (!IsCurrent(part) || part->bar->state->widget == nullptr)
        return;
    const PartsState& state = *part->bar->state;
    const AccessibleRect rect = state.source.Part(part->index).rect;
    atk::WidgetOrigin(state.widget, coords, *x, *y);
    *x += rect.x;
    *y += rect.y;
    *width = rect.width;
    *height = rect.height;
}

void PartComponentInit(gpointer iface, gpointer)
{
    static_cast<AtkComponentIface*>(iface)->get_extents = PartExtents;
}

// A reader's click happens once the reader has its answer: what it starts may run a dialog of its own.
gboolean PressLater(gpointer data)
{
    const QvPart* part = AsPart(data);
    if (IsCurrent(part) && part->bar->state->source.Part(part->index).enabled)
        part->bar->state->source.PressPart(part->index);
    return G_SOURCE_REMOVE;
}

bool IsButton(AtkAction* action)
{
    const QvPart* part = AsPart(action);
    return IsCurrent(part) && part->bar->state->partRole == ATK_ROLE_PUSH_BUTTON;
}

gint PartActionCount(AtkAction* action)
{
    return IsButton(action) ? 1 : 0;
}

const gchar* PartActionName(AtkAction* action, gint i)
{
    return IsButton(action) && i == 0 ? "click" : nullptr;
}

gboolean PartDoAction(AtkAction* action, gint i)
{
    if (!IsButton(action) || i != 0)
        return FALSE;
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, PressLater, g_object_ref(action), g_object_unref);
    return TRUE;
}

void PartActionInit(gpointer iface, gpointer)
{
    auto* action = static_cast<AtkActionIface*>(iface);
    action->get_n_actions = PartActionCount;
    action->get_name = PartActionName;
    action->do_action = PartDoAction;
}

GType PartType()
{
    static const GType type = atk::RegisterType(
        ATK_TYPE_OBJECT, "QuorvelAccessiblePart", sizeof(AtkObjectClass), sizeof(QvPart), PartClassInit,
        {{ATK_TYPE_COMPONENT, PartComponentInit}, {ATK_TYPE_ACTION, PartActionInit}});
    return type;
}

} // namespace

CAccessibleParts::CAccessibleParts(void* widget, EAccessibleRole role, EAccessibleRole partRole,
                                   CAccessiblePartSource& source)
    : m_state(std::make_unique<State>(GTK_WIDGET(widget), atk::RoleOf(partRole), source))
{
    State& state = *m_state;
    g_object_add_weak_pointer(G_OBJECT(state.widget), reinterpret_cast<gpointer*>(&state.widget));
    state.bar = AsBar(g_object_new(BarType(), nullptr));
    state.bar->state = &state;
    atk::Install(state.widget, ATK_OBJECT(g_object_ref(state.bar)));
    ATK_OBJECT(state.bar)->role = atk::RoleOf(role);
}

CAccessibleParts::~CAccessibleParts()
{
    State& state = *m_state;
    if (state.widget != nullptr)
        g_object_remove_weak_pointer(G_OBJECT(state.widget), reinterpret_cast<gpointer*>(&state.widget));
    for (AtkObject* part : state.parts)
        g_object_unref(part);
    state.bar->state = nullptr;
    g_object_unref(state.bar);
}

void CAccessibleParts::Update()
{
    State& state = *m_state;
    const std::size_t count = state.source.PartCount();
    DropPartsPast(state, count);
    for (std::size_t i = 0; i < state.parts.size(); ++i)
        TellPart(state, i);
}

void CAccessibleParts::Announce(std::size_t index, const std::string& text)
{
    if (index < m_state->source.PartCount())
        atk::AnnounceOn(Part(*m_state, index), text);
}

void Announce(void* widget, const std::string& text)
{
    if (widget != nullptr)
        atk::AnnounceOn(gtk_widget_get_accessible(GTK_WIDGET(widget)), text);
}

} // namespace platform
