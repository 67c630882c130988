// Calls made on workers and waited for a bounded time: what the waiting
// user-interface thread still does, retries of a busy server, handlers nested
// in a call, answerers that hang, and the shut-down ending every wait. Runs last: the shut-down
// cannot be undone.
#include "platform/win32/shell/remote_calls.h"
#include "platform_test.h"

namespace shutterling::win32::test {

namespace {

HANDLE stopTimerFired = nullptr;

void CALLBACK StopCalls(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    RemoteCalls::Get().Stop();
    SetEvent(stopTimerFired);
}

}  // namespace

void RemoteCallsBounded() {
    auto& calls = RemoteCalls::Get();

    // The shell's events come this way: from a worker, run on this thread
    // inside a wait of its own.
    currentCase = "work handed to the waiting thread";
    DWORD ranOn = 0;
    CHECK(calls.Run(0x51, [&](DWORD) {
        calls.RunOnUiThread([&] { ranOn = GetCurrentThreadId(); });
    }) == RemoteCalls::Outcome::Done);
    CHECK(ranOn == GetCurrentThreadId());

    currentCase = "a busy server asked again until it answers, or a put until the deadline";
    int tries = 0;
    CHECK(RetryWhileBusy(GetTickCount() + kCallTimeoutMs,
                         [&] { return ++tries < 4 ? RPC_E_SERVERCALL_RETRYLATER : S_OK; }) == S_OK);
    CHECK(tries == 4);
    tries = 0;
    CHECK(RetryWhileBusy(
              GetTickCount() + 300,
              [&] {
                  ++tries;
                  return RPC_E_CALL_REJECTED;
              },
              false) == RPC_E_CALL_REJECTED);
    CHECK(tries >= 2);
    // A put turned away until the deadline was not answered; an error was.
    // The deadline is the call's own, well inside the wait, so the call is
    // back, not given up, and its answerer still answers.
    auto busy = CallRemote<int>(0x53, [](DWORD) -> std::optional<int> {
        if (FAILED(RetryWhileBusy(
                GetTickCount() + 300, [] { return RPC_E_SERVERCALL_RETRYLATER; }, false)))
            return std::nullopt;
        return 1;
    });
    CHECK(!busy && busy.Unanswered());
    // Another answerer: the busy one may still count as not answering, if
    // its wait was given up as its retries reached the deadline.
    auto refused = CallRemote<int>(0x54, [](DWORD deadline) -> std::optional<int> {
        if (FAILED(RetryWhileBusy(deadline, [] { return E_ACCESSDENIED; })))
            return std::nullopt;
        return 1;
    });
    CHECK(!refused && !refused.Unanswered());

    // A browser inside a modal loop turns every call away, for as long as the
    // loop lasts: that costs one wait in all, as a hung browser does. Its
    // calls are not made meanwhile, and it answers again, and is read, once
    // it takes calls.
    currentCase = "a busy answerer costs one wait while it stays busy";
    LONG stillBusy = 1, turnedAway = 0;
    const auto busyRead = [&stillBusy, &turnedAway](DWORD deadline) -> std::optional<int> {
        if (FAILED(RetryWhileBusy(deadline, [&] {
                if (!InterlockedCompareExchange(&stillBusy, 0, 0))
                    return S_OK;
                InterlockedIncrement(&turnedAway);
                return RPC_E_SERVERCALL_RETRYLATER;
            })))
            return std::nullopt;
        return 1;
    };
    const Answerer modal = 0x55;
    auto first = CallRemote<int>(modal, busyRead);
    CHECK(!first && first.Unanswered());
    // Still asked after its waiter gave up, and not answering meanwhile.
    const LONG triesInTheWait = turnedAway;
    CHECK(Eventually([&] { return turnedAway > triesInTheWait + 2; }));
    CHECK(!calls.Answering(modal));
    bool asked = false;
    CHECK(calls.Run(modal, [&](DWORD) { asked = true; }) == RemoteCalls::Outcome::NotMade);
    CHECK(!asked);
    InterlockedExchange(&stillBusy, 0);
    CHECK(Eventually([&] { return calls.Answering(modal); }));
    auto after = CallRemote<int>(modal, busyRead);
    CHECK(after && *after == 1);

    // The shell raises its next event inside a call of ours and waits for the
    // handler; the handler's time is its own, so the call it nested in still
    // completes, however long the handler took.
    currentCase = "a handler nested in a call, longer than the call's time";
    LONG afterHandler = 0;
    CHECK(calls.Run(0x52, [&](DWORD) {
        calls.RunOnUiThread([] { Sleep(kCallTimeoutMs + 500); });
        Sleep(200);  // the rest of the call, after its nested event
        InterlockedExchange(&afterHandler, 1);
    }) == RemoteCalls::Outcome::Done);
    CHECK(afterHandler == 1);

    // Threads stuck on answerers that do not answer are never a reason to
    // refuse a call to one that does: there is no cap on them.
    currentCase = "forty answerers stalled, another still answered";
    HANDLE stall = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    TestObject object;
    for (Answerer stalled = 0x1000; stalled < 0x1000 + 40; ++stalled) {
        object.AddRef();
        calls.Release(stalled, static_cast<IDispatch*>(&object),
                      [stall] { WaitForSingleObject(stall, INFINITE); });
    }
    LONG answered = 0;
    CHECK(calls.Run(0x2000, [&](DWORD) { InterlockedExchange(&answered, 1); }) ==
          RemoteCalls::Outcome::Done);
    CHECK(answered == 1);
    SetEvent(stall);
    CHECK(Eventually([&] { return calls.Answering(0x1000) && calls.Answering(0x1000 + 39); }));
    CHECK(Eventually([&] { return object.refs == 1; }));
    CloseHandle(stall);

    // A shut-down inside the wait (a timer stands for the tray's Exit) ends
    // it at once: the call is left running (its answerer counts as not
    // answering until it comes back), and no later call is made. Releases,
    // and what is said before them, still go out.
    currentCase = "the shut-down ends a wait";
    const Answerer who = 0x77;
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    stopTimerFired = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG returned = 0;
    SetTimer(nullptr, 0, 50, StopCalls);
    CHECK(calls.Run(who, [&, release](DWORD) {
        WaitForSingleObject(release, INFINITE);
        InterlockedExchange(&returned, 1);
    }) == RemoteCalls::Outcome::GivenUp);
    CHECK(WaitForSingleObject(stopTimerFired, 0) == WAIT_OBJECT_0);
    CHECK(!calls.Answering(who));
    CHECK(returned == 0);
    bool madeAfter = false;
    CHECK(calls.Run(kShell, [&](DWORD) { madeAfter = true; }) == RemoteCalls::Outcome::NotMade);
    CHECK(!madeAfter);
    LONG sent = 0;
    object.AddRef();
    calls.Release(kShell, static_cast<IDispatch*>(&object),
                  [&sent] { InterlockedExchange(&sent, 1); });
    CHECK(Eventually([&] { return sent == 1 && object.refs == 1; }));
    SetEvent(release);
    CHECK(Eventually([&] { return returned == 1 && calls.Answering(who); }));
    CloseHandle(stopTimerFired);
}

}  // namespace shutterling::win32::test
