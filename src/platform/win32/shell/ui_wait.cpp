// The wait on the user-interface thread for a call, dispatching messages meanwhile.
#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {
namespace {

// One round of the modal loop; false once the quit message came (posted again for the main loop).
bool DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (PreTranslateFormMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

}  // namespace

RemoteCalls::Outcome RemoteCalls::Run(Answerer who, std::function<void(DWORD)> call) {
    const auto sent = Stopped() ? nullptr : Send(who, std::move(call));
    if (!sent)
        return Outcome::NotMade;
    // What runs inside the wait (the shell's next event, nested in this call as the
    // apartment nested it; a menu) is not charged to the call; all the rest is.
    const HANDLE handles[] = {sent->done.get(), stop_.get()};
    const DWORD limit = Patient(who) ? kCallTimeoutMs : kBriefWaitMs;
    const DWORD start = GetTickCount();
    DWORD nested = 0;
    for (DWORD charged = 0; charged < limit; charged = GetTickCount() - start - nested) {
        const DWORD woke = MsgWaitForMultipleObjectsEx(2, handles, limit - charged, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return Outcome::Done;
        if (woke != WAIT_OBJECT_0 + 2)
            break;
        const DWORD before = GetTickCount();
        const bool more = DispatchPending();
        nested += GetTickCount() - before;
        if (!more)
            break;
    }
    return GiveUp(*sent) ? Outcome::GivenUp : Outcome::Done;
}

}  // namespace shutterling::win32
