// Base of the wizard's tab pages: each page owns its controls and handlers and
// runs every handler inside the one guard, so no failure reaches Qt.
#pragma once

#include "state/conversion.h"
#include "platform/services.h"

#include <QWidget>

namespace tw {

class Page : public QWidget {
public:
    Page(const char* name, Services& services, state::Conversion& state, QWidget* parent = nullptr)
        : QWidget(parent), services_(services), state_(state) {
        setObjectName(QString::fromLatin1(name));
    }

protected:
    // Connects a signal to a handler of the page that runs guarded.
    template <class Sender, class Signal, class Handler>
    void on(Sender* sender, Signal signal, Handler handler) {
        connect(sender, signal, this, [this, handler] { guarded(services_.messages, [&] { handler(); }); });
    }

    Services& services_;
    state::Conversion& state_;
};

} // namespace tw
