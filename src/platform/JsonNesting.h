#pragma once
// How deep a JSON text nests, found without building it: a document nested without end takes a
// parser's or a document's recursion through the whole stack.
#include <QByteArrayView>

namespace kp {

// True when no object or array in `json` lies more than `levels` deep. Brackets inside strings do
// not count; the text need not be valid JSON (a closing bracket too many is ignored).
bool nestsWithin(QByteArrayView json, int levels);

}  // namespace kp
