#include "doc/cursors.h"

#include <QCursor>

namespace doc {

// Created on first use (the application must exist by then) and kept for the process.
const QCursor& HandCursor() {
    static const QCursor cursor(Qt::PointingHandCursor);
    return cursor;
}

const QCursor& IBeamCursor() {
    static const QCursor cursor(Qt::IBeamCursor);
    return cursor;
}

const QCursor& CursorByNumber(int number) {
    static const QCursor arrow(Qt::ArrowCursor);
    switch (number) {
    case crHandCursor:
        return HandCursor();
    case crIBeamCursor:
        return IBeamCursor();
    default:
        return arrow;
    }
}

} // namespace doc
