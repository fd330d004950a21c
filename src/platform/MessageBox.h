#pragma once

namespace tarnwick::platform {

// Message box styles and answers keep the numbering the program's prompts are written in,
// so a caller can say "Yes/No with the warning icon" and compare the answer with 6.
namespace MsgBox {
enum Style : int {
    OKOnly = 0,
    OKCancel = 1,
    AbortRetryIgnore = 2,
    YesNoCancel = 3,
    YesNo = 4,
    RetryCancel = 5,
    ButtonsMask = 7,
    Critical = 16,
    Question = 32,
    Exclamation = 48,
    Information = 64,
    IconMask = 112,
    DefaultButton1 = 0,
    DefaultButton2 = 256,
    DefaultButton3 = 512,
    DefaultButtonMask = 768,
};
enum Answer : int { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
} // namespace MsgBox

} // namespace tarnwick::platform
