#pragma once

#include <oaidl.h>
#include <string>

// What standard containers wrap a control in and hand it as its extended control: the
// properties its form gives it, read late-bound by name. Controls built with the classic visual
// tools read them as they start: the control's name on its form, whether it is shown (never:
// the control stands on a hidden window), and its parent form, by its name and caption. What it
// does not know it answers with the codes COM documents for that. Holds one reference.
IDispatch *newExtender(const std::wstring &controlName, const std::wstring &formName,
                       const std::wstring &formCaption);
