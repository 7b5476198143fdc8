// Makes Qt build an Interface for every Widget, subclasses included, that assistive
// technology asks about. Calling it again for the same pair does nothing.
#pragma once

#include <QAccessible>

template <typename Widget, typename Interface>
void installAccessible()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString&, QObject* object) -> QAccessibleInterface* {
            if (auto* widget = qobject_cast<Widget*>(object))
                return new Interface(widget);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
}
