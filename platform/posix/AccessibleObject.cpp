// Registering the readers' object types and putting an object in the toolkit's place for a widget.
#include "platform/posix/AccessibleObject.h"

#include <utility>
#include <vector>

namespace platform::atk {
namespace {

// A widget's object of ours, held in the widget's data until the widget goes.
GQuark OwnQuark()
{
    static const GQuark quark = g_quark_from_static_string("quorvel-accessible-object");
    return quark;
}

// GTK 3 keeps the object it made for a widget where nobody else can reach it, and makes one through the
// widget class's get_accessible. That function of each class whose widgets get an object of ours asks
// for ours first; the class's own is kept here for the others.
using GetAccessible = AtkObject* (*)(GtkWidget*);
std::vector<std::pair<GtkWidgetClass*, GetAccessible>> s_classes;

GetAccessible ClassOwn(GtkWidgetClass* klass)
{
    for (gpointer at = klass; at != nullptr; at = g_type_class_peek_parent(at))
        for (const auto& [patched, own] : s_classes)
            if (patched == at)
                return own;
    return nullptr;
}

AtkObject* OursFirst(GtkWidget* widget)
{
    if (auto* ours = static_cast<AtkObject*>(g_object_get_qdata(G_OBJECT(widget), OwnQuark())))
        return ours;
    return ClassOwn(GTK_WIDGET_GET_CLASS(widget))(widget);
}

void AskOursFirst(GtkWidgetClass* klass)
{
    if (klass->get_accessible == OursFirst)
        return;
    s_classes.emplace_back(klass, klass->get_accessible);
    klass->get_accessible = OursFirst;
}

// As the toolkit does with its own objects: a widget that is destroyed leaves its object defunct.
void OnDestroy(GtkWidget* widget, gpointer)
{
    gpointer ours = g_object_steal_qdata(G_OBJECT(widget), OwnQuark());
    if (ours == nullptr)
        return;
    gtk_accessible_set_widget(GTK_ACCESSIBLE(ours), nullptr);
    g_object_unref(ours);
}

} // namespace

GType RegisterType(GType parent, const char* name, std::size_t classSize, std::size_t instanceSize,
                   GClassInitFunc classInit, std::initializer_list<Interface> interfaces)
{
    GTypeInfo info{};
    info.class_size = static_cast<guint16>(classSize);
    info.class_init = classInit;
    info.instance_size = static_cast<guint16>(instanceSize);
    const GType type = g_type_register_static(parent, name, &info, GTypeFlags(0));
    for (const Interface& implemented : interfaces) {
        const GInterfaceInfo interfaceInfo{implemented.init, nullptr, nullptr};
        g_type_add_interface_static(type, implemented.type, &interfaceInfo);
    }
    return type;
}

void Install(GtkWidget* widget, AtkObject* accessible)
{
    gtk_accessible_set_widget(GTK_ACCESSIBLE(accessible), widget);
    atk_object_initialize(accessible, widget);
    g_object_set_qdata_full(G_OBJECT(widget), OwnQuark(), accessible, g_object_unref);
    g_signal_connect(widget, "destroy", G_CALLBACK(OnDestroy), nullptr);
    AskOursFirst(GTK_WIDGET_GET_CLASS(widget));
}

AtkRole RoleOf(EAccessibleRole role)
{
    switch (role) {
    case EAccessibleRole::ToolBar:
        return ATK_ROLE_TOOL_BAR;
    case EAccessibleRole::StatusBar:
        return ATK_ROLE_STATUSBAR;
    case EAccessibleRole::PushButton:
        return ATK_ROLE_PUSH_BUTTON;
    case EAccessibleRole::Label:
        return ATK_ROLE_LABEL;
    }
    return ATK_ROLE_UNKNOWN;
}

gchar* DupUtf8(const std::string& text)
{
    return g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
}

void WidgetOrigin(GtkWidget* widget, AtkCoordType coords, gint& x, gint& y)
{
    x = 0;
    y = 0;
    GdkWindow* window = gtk_widget_get_window(widget);
    if (window == nullptr)
        return;
    gdk_window_get_origin(window, &x, &y);
    if (!gtk_widget_get_has_window(widget)) {
        GtkAllocation allocation;
        gtk_widget_get_allocation(widget, &allocation);
        x += allocation.x;
        y += allocation.y;
    }
    if (coords == ATK_XY_WINDOW) {
        gint topX = 0;
        gint topY = 0;
        gdk_window_get_origin(gdk_window_get_toplevel(window), &topX, &topY);
        x -= topX;
        y -= topY;
    }
}

bool IsShownIn(GtkWidget* widget, const AccessibleRect& rect)
{
    if (!gtk_widget_get_mapped(widget) || rect.width <= 0 || rect.height <= 0)
        return false;
    const int width = gtk_widget_get_allocated_width(widget);
    const int height = gtk_widget_get_allocated_height(widget);
    return rect.x < width && rect.y < height && rect.x + rect.width > 0 && rect.y + rect.height > 0;
}

void AnnounceOn(AtkObject* object, const std::string& text)
{
    if (object == nullptr || text.empty())
        return;
    gchar* valid = DupUtf8(text);
    // ATK's own notice to readers, which they speak after what they are saying.
    g_signal_emit_by_name(object, "announcement", valid);
    g_free(valid);
}

} // namespace platform::atk
