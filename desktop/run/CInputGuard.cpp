#include "CInputGuard.h"

#include <QCoreApplication>
#include <QEvent>

CInputGuard::CInputGuard() {
    QCoreApplication::instance()->installEventFilter(this);
}

CInputGuard::~CInputGuard() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool CInputGuard::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
            // One user action reaches several objects (window, then widget):
            // count it at the widget it was meant for only.
            if (watched->isWidgetType() || event->type() == QEvent::Shortcut) {
                ++swallowed_;
            }
            return true;
        default:
            return QObject::eventFilter(watched, event);
    }
}
