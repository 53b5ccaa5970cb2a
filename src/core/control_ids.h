// Dialog controls carry their numeric ids as object names ("ctl17224"), so
// code and tests find control 17224 the way the dialog tables name it.
// Included by window and dialog files only.
#pragma once
#include <QString>
#include <QWidget>

inline QString ControlName(int id) { return QStringLiteral("ctl%1").arg(id); }

template <class W>
W* WithId(W* widget, int id) {
    widget->setObjectName(ControlName(id));
    return widget;
}

template <class W>
W* FindControl(const QObject* parent, int id) {
    return parent->findChild<W*>(ControlName(id));
}
