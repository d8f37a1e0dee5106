// The engine's two mouse cursors: the hand over links and the I-beam over text. Qt's own
// shapes; the numbers are the ones the viewer registers them under.
#pragma once

class QCursor;

namespace doc {

constexpr int crHandCursor = 1;
constexpr int crIBeamCursor = 2;

const QCursor& HandCursor();
const QCursor& IBeamCursor();
// The cursor registered under Number (1 hand, 2 I-beam); the arrow for any other.
const QCursor& CursorByNumber(int number);

} // namespace doc
