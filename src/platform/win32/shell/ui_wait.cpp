// The wait on the user-interface thread: a call goes to a worker, and the
// thread dispatches messages until it is back, given up, or the shut-down.
#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {
namespace {

// One round of the modal loop: false once the program's quit message came
// (it is posted again for the main loop).
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

// Whether done was set within kCallTimeoutMs of charged time. The time that
// what runs inside the wait takes (the shell's next event, nested in this
// call as the apartment nested it; a menu) is its own and not charged to the
// call; all the rest is, whatever wakes the wait.
bool WaitDispatching(HANDLE done, HANDLE stop) {
    const HANDLE handles[] = {done, stop};
    const DWORD start = GetTickCount();
    DWORD nested = 0;
    for (;;) {
        const DWORD charged = GetTickCount() - start - nested;
        if (charged >= kCallTimeoutMs)
            return false;
        const DWORD woke = MsgWaitForMultipleObjectsEx(2, handles, kCallTimeoutMs - charged,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 2)
            return woke == WAIT_OBJECT_0;
        const DWORD before = GetTickCount();
        const bool more = DispatchPending();
        nested += GetTickCount() - before;
        if (!more)
            return false;
    }
}

}  // namespace

RemoteCalls::Outcome RemoteCalls::Run(Answerer who, std::function<void(DWORD)> call) {
    if (Stopped())
        return Outcome::NotMade;
    const auto sent = answerers_.Send(who, std::move(call));
    if (!sent)
        return Outcome::NotMade;
    if (WaitDispatching(sent->done.get(), stop_.get()) || !answerers_.GiveUp(*sent))
        return Outcome::Done;
    return Outcome::GivenUp;
}

}  // namespace shutterling::win32
