#include "KeyStates.h"

#include <QGuiApplication>
#include <QLibrary>

namespace quirels {

namespace {

// The few X11 calls needed, resolved at run time so that the program does
// not depend on the X11 library and runs on other platforms.
struct X11 {
    using Display = void;
    using Atom = unsigned long;
    using OpenDisplay = Display *(*)(const char *);
    using InternAtom = Atom (*)(Display *, const char *, int);
    using GetNamedIndicator = int (*)(Display *, Atom, int *, int *, void *, int *);

    Display *display = nullptr;
    InternAtom internAtom = nullptr;
    GetNamedIndicator getNamedIndicator = nullptr;
    Atom caps = 0;
    Atom num = 0;
    Atom scroll = 0;

    X11()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            return;
        QLibrary lib(QStringLiteral("X11"), 6);
        if (!lib.load())
            return;
        auto open = reinterpret_cast<OpenDisplay>(lib.resolve("XOpenDisplay"));
        internAtom = reinterpret_cast<InternAtom>(lib.resolve("XInternAtom"));
        getNamedIndicator = reinterpret_cast<GetNamedIndicator>(lib.resolve("XkbGetNamedIndicator"));
        if (!open || !internAtom || !getNamedIndicator)
            return;
        display = open(nullptr);
        if (!display)
            return;
        caps = internAtom(display, "Caps Lock", 0);
        num = internAtom(display, "Num Lock", 0);
        scroll = internAtom(display, "Scroll Lock", 0);
    }

    std::optional<bool> state(Atom atom) const
    {
        if (!display || !atom)
            return std::nullopt;
        int index = 0;
        int on = 0;
        if (!getNamedIndicator(display, atom, &index, &on, nullptr, nullptr))
            return std::nullopt;
        return on != 0;
    }
};

} // namespace

LockStates readLockStates()
{
    static const X11 x11;
    return {x11.state(x11.caps), x11.state(x11.num), x11.state(x11.scroll)};
}

} // namespace quirels
