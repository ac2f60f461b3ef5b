// A control that draws a line of text and opens an address, as a link for readers: the widget's own
// object has the link's role and text, a click as its action, and a hyperlink with the address.
#include "platform/posix/AccessibleObject.h"

#include <utility>

namespace platform {
namespace {

struct QvLink
{
    GtkWidgetAccessible parent;
    CAccessibleLink::State* state; // null once the link's owner is gone
};

struct QvHyperlink
{
    AtkHyperlink parent;
    QvLink* link; // a reference
};

GType LinkType();
GType HyperlinkType();

QvLink* AsLink(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, LinkType(), QvLink);
}

QvHyperlink* AsHyperlink(gpointer object)
{
    return G_TYPE_CHECK_INSTANCE_CAST(object, HyperlinkType(), QvHyperlink);
}

AtkObjectClass* s_linkParent = nullptr;
GObjectClass* s_hyperlinkParent = nullptr;

} // namespace

struct CAccessibleLink::State
{
    std::function<std::string()> text;
    std::function<std::string()> address;
    std::function<void()> open;
    QvLink* link = nullptr;
    QvHyperlink* hyperlink = nullptr; // made when first asked
};

namespace {

// --- the link's object

const gchar* LinkName(AtkObject* object)
{
    const CAccessibleLink::State* state = AsLink(object)->state;
    if (state != nullptr) {
        g_free(object->name);
        object->name = atk::DupUtf8(state->text());
    }
    return object->name;
}

void LinkInitialize(AtkObject* object, gpointer widget)
{
    s_linkParent->initialize(object, widget);
    object->role = ATK_ROLE_LINK;
}

void LinkClassInit(gpointer klass, gpointer)
{
    s_linkParent = ATK_OBJECT_CLASS(g_type_class_peek_parent(klass));
    ATK_OBJECT_CLASS(klass)->get_name = LinkName;
    ATK_OBJECT_CLASS(klass)->initialize = LinkInitialize;
}

AtkHyperlink* LinkHyperlink(AtkHyperlinkImpl* impl)
{
    CAccessibleLink::State* state = AsLink(impl)->state;
    if (state == nullptr)
        return nullptr;
    if (state->hyperlink == nullptr) {
        state->hyperlink = AsHyperlink(g_object_new(HyperlinkType(), nullptr));
        state->hyperlink->link = AsLink(g_object_ref(state->link));
    }
    return ATK_HYPERLINK(g_object_ref(state->hyperlink));
}

void LinkHyperlinkInit(gpointer iface, gpointer)
{
    static_cast<AtkHyperlinkImplIface*>(iface)->get_hyperlink = LinkHyperlink;
}

// The click happens once the reader has its answer: what it opens may show a message box.
gboolean OpenLater(gpointer data)
{
    const CAccessibleLink::State* state = AsLink(data)->state;
    if (state != nullptr)
        state->open();
    return G_SOURCE_REMOVE;
}

gint LinkActionCount(AtkAction*)
{
    return 1;
}

const gchar* LinkActionName(AtkAction*, gint i)
{
    return i == 0 ? "click" : nullptr;
}

gboolean LinkDoAction(AtkAction* action, gint i)
{
    if (i != 0 || AsLink(action)->state == nullptr)
        return FALSE;
    g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, OpenLater, g_object_ref(action), g_object_unref);
    return TRUE;
}

void LinkActionInit(gpointer iface, gpointer)
{
    auto* action = static_cast<AtkActionIface*>(iface);
    action->get_n_actions = LinkActionCount;
    action->get_name = LinkActionName;
    action->do_action = LinkDoAction;
}

GType LinkType()
{
    static const GType type = atk::RegisterType(
        GTK_TYPE_WIDGET_ACCESSIBLE, "QuorvelAccessibleLink", sizeof(GtkWidgetAccessibleClass), sizeof(QvLink),
        LinkClassInit, {{ATK_TYPE_HYPERLINK_IMPL, LinkHyperlinkInit}, {ATK_TYPE_ACTION, LinkActionInit}});
    return type;
}

// --- its hyperlink: one anchor, the link itself

gchar* HyperlinkUri(AtkHyperlink* hyperlink, gint i)
{
    const CAccessibleLink::State* state = AsHyperlink(hyperlink)->link->state;
    return state != nullptr && i == 0 ? atk::DupUtf8(state->address()) : nullptr;
}

AtkObject* HyperlinkObject(AtkHyperlink* hyperlink, gint i)
{
    return i == 0 ? ATK_OBJECT(AsHyperlink(hyperlink)->link) : nullptr;
}

gint HyperlinkAnchors(AtkHyperlink*)
{
    return 1;
}

gboolean HyperlinkValid(AtkHyperlink* hyperlink)
{
    return AsHyperlink(hyperlink)->link->state != nullptr;
}

gint HyperlinkStart(AtkHyperlink*)
{
    return 0;
}

gint HyperlinkEnd(AtkHyperlink* hyperlink)
{
    const CAccessibleLink::State* state = AsHyperlink(hyperlink)->link->state;
    return state != nullptr
               ? static_cast<gint>(g_utf8_strlen(LinkName(ATK_OBJECT(AsHyperlink(hyperlink)->link)), -1))
               : 0;
}

void HyperlinkFinalize(GObject* object)
{
    g_object_unref(AsHyperlink(object)->link);
    s_hyperlinkParent->finalize(object);
}

void HyperlinkClassInit(gpointer klass, gpointer)
{
    s_hyperlinkParent = G_OBJECT_CLASS(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = HyperlinkFinalize;
    auto* hyperlink = ATK_HYPERLINK_CLASS(klass);
    hyperlink->get_uri = HyperlinkUri;
    hyperlink->get_object = HyperlinkObject;
    hyperlink->get_n_anchors = HyperlinkAnchors;
    hyperlink->is_valid = HyperlinkValid;
    hyperlink->get_start_index = HyperlinkStart;
    hyperlink->get_end_index = HyperlinkEnd;
}

GType HyperlinkType()
{
    static const GType type =
        atk::RegisterType(ATK_TYPE_HYPERLINK, "QuorvelHyperlink", sizeof(AtkHyperlinkClass),
                          sizeof(QvHyperlink), HyperlinkClassInit);
    return type;
}

} // namespace

CAccessibleLink::CAccessibleLink(void* widget, std::function<std::string()> text,
                                 std::function<std::string()> address, std::function<void()> open)
    : m_state(std::make_unique<State>())
{
    State& state = *m_state;
    state.text = std::move(text);
    state.address = std::move(address);
    state.open = std::move(open);
    state.link = AsLink(g_object_new(LinkType(), nullptr));
    state.link->state = &state;
    atk::Install(GTK_WIDGET(widget), ATK_OBJECT(g_object_ref(state.link)));
}

CAccessibleLink::~CAccessibleLink()
{
    State& state = *m_state;
    state.link->state = nullptr;
    if (state.hyperlink != nullptr)
        g_object_unref(state.hyperlink);
    g_object_unref(state.link);
}

} // namespace platform
