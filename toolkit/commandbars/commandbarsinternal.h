// Helpers the command bars' files share and nothing outside them uses.
#pragma once

#include "platform/base/cstring.h"
#include "toolkit/commandbars/control.h"

// The parts of a command's prompt, "description\ntooltip\ncaption\nkeyboard
// tip"; a text without line feeds is both description and tooltip.
struct PromptParts {
  CString part[4];
};
PromptParts SplitPrompt(const CString& strPrompt);

// Makes `to` hold the template ids `from` holds.
void CopyTemplateMap(CTKControl::CDocTemplateMap& to, const CTKControl::CDocTemplateMap& from);
