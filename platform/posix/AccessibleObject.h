// What the readers' objects of platform/Accessible.h share under GTK: their types, registered once,
// and how one takes the place of the toolkit's own object for a widget.
#pragma once

#include "platform/Accessible.h"

#include <atk/atk.h>
#include <gtk/gtk-a11y.h>
#include <gtk/gtk.h>
#include <initializer_list>
#include <string>

namespace platform::atk {

struct Interface
{
    GType type;
    GInterfaceInitFunc init;
};

// Registers a type of `parent` with the sizes of its instances and class, its class set-up and the
// interfaces it implements; the caller keeps the answer in a static, so this runs once a type.
GType RegisterType(GType parent, const char* name, std::size_t classSize, std::size_t instanceSize,
                   GClassInitFunc classInit, std::initializer_list<Interface> interfaces = {});

// Makes `accessible`, a new object of a GtkWidgetAccessible type, the one the toolkit hands out for
// `widget`, taking its reference; it is defunct once the widget is destroyed. Call it before readers
// first see the widget (before its window is shown): an object the toolkit made for it earlier would
// stay with readers that walked the window already.
void Install(GtkWidget* widget, AtkObject* accessible);

AtkRole RoleOf(EAccessibleRole role);

// A copy for an object's own name or description, never invalid UTF-8 (which the bus refuses).
gchar* DupUtf8(const std::string& text);

// The widget's origin on the screen, or in its top-level window, as `coords` asks.
void WidgetOrigin(GtkWidget* widget, AtkCoordType coords, gint& x, gint& y);

// Whether a rectangle of the widget's own pixels shows within it.
bool IsShownIn(GtkWidget* widget, const AccessibleRect& rect);

void AnnounceOn(AtkObject* object, const std::string& text);

} // namespace platform::atk
