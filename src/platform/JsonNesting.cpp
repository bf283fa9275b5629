#include "platform/JsonNesting.h"

namespace kp {

bool nestsWithin(QByteArrayView json, int levels) {
    const char* text = json.data();
    const qsizetype size = json.size();
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < size; ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;  // the escaped character, a quote or a backslash, ends nothing
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            if (++depth > levels) return false;
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}  // namespace kp
