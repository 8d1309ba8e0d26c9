#include "generator/editor_text.h"

#include "platform/text.h"

namespace tw::generator {

std::string editorText(std::string_view bytes) {
    const std::string text = decodeCp1252(bytes);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string fileBytes(std::string_view editorText) {
    std::string text;
    text.reserve(editorText.size() + editorText.size() / 16);
    for (char c : editorText) {
        if (c == '\n') text += "\r\n";
        else if (c != '\r') text.push_back(c);
    }
    return encodeCp1252(text);
}

} // namespace tw::generator
