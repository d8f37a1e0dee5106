// The dialogs created once at program start and shared by every browser window.
#pragma once

namespace mail {
class TFAddressBook;
class TFSendMail;
}

namespace shell {

class TFMiAbout;
class TFMemoDisplay;

struct TApplicationForms {
    TFMiAbout* FMiAbout = nullptr;
    mail::TFAddressBook* FAddressBook = nullptr;
    TFMemoDisplay* FMemoDisplay = nullptr;
    mail::TFSendMail* FSendMail = nullptr;
};

// Filled by the program start; a window that finds one missing creates it on first use.
TApplicationForms& Forms();

} // namespace shell
