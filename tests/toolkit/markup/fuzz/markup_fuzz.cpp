// Fuzz target: any bytes, read as 16-bit text (the host entry) or as 8-bit
// UTF-8 input, must end in a tree or a clean build error. A built tree is
// then driven with a few mouse messages and released.
#include <cstdint>
#include <cstring>
#include <vector>

#include "toolkit/markup/markupbuilder.h"
#include "toolkit/markup/markupcontext.h"
#include "toolkit/markup/markupelements.h"
#include "toolkit/markup/markupparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  CTKMarkupContext* ctx = MarkupCreateContext(reinterpret_cast<HWND>(1));
  CTKMarkupObject* root = nullptr;
  if (data[0] & 1) {
    CTKMarkupParser parser;
    parser.m_nCodePage = (data[0] & 2) ? 65001 : 0;
    parser.SetBuffer(reinterpret_cast<const char*>(data + 1), reinterpret_cast<const char*>(data + size));
    CTKMarkupBuilder builder(ctx);
    root = builder.BuildFromTokens(&parser);
    if (!root && builder.GetLastErrorText().IsEmpty()) __builtin_trap();
  } else {
    std::vector<WCHAR> text((size - 1) / 2 + 1, 0);
    if (size > 1) std::memcpy(text.data(), data + 1, ((size - 1) / 2) * 2);
    root = ctx->Parse(text.data());
    if (!root && ctx->GetLastParseError().IsEmpty()) __builtin_trap();
  }
  if (CTKMarkupUIElement* element = MarkupDynamicCast<CTKMarkupUIElement>(root)) {
    element->Arrange(RECT{0, 0, 200, 100});
    LRESULT r;
    const UINT messages[] = {0x0200, 0x0201, 0x0200, 0x0202, 0x0020, 0x020A, 0x0215, 0x02A3};
    for (int i = 0; i < 8; i++) MarkupRelayElementMessage(element, messages[i], 0, MAKELPARAM(i * 10, i * 5), &r);
  }
  MarkupReleaseElement(root);
  MarkupReleaseContext(ctx);
  return 0;
}
