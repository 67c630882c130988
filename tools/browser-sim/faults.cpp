#include "faults.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "com_util.h"
#include "shell.h"
#include "sim_log.h"

namespace sim {
namespace {

struct Deferred {
    std::weak_ptr<BrowserWindow> window;
    int calls;
    bool die = false;
};
std::vector<Deferred> g_deferred;

}  // namespace

void FireInside(BrowserWindow& w, int calls) {
    // The window joins the collection when it registers, inside that call.
    Log::Get().Write("fire-inside", Utf8(w.name) + " calls=" + std::to_string(calls));
    Shell::Get().Withhold(w);
    g_deferred.push_back({w.weak_from_this(), calls});
}

void DieInside(int calls) {
    g_deferred.push_back({{}, calls, true});
}

void OnClientCall() {
    if (g_deferred.empty())
        return;
    // Taken off the list before they run: the client's nested handler calls back in.
    std::vector<Deferred> due;
    for (auto it = g_deferred.begin(); it != g_deferred.end();) {
        if (--it->calls <= 0) {
            due.push_back(*it);
            it = g_deferred.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& d : due) {
        if (d.die) {
            Log::Get().Write("die", "inside=call");
            TerminateProcess(GetCurrentProcess(), 9);
        }
        if (auto w = d.window.lock(); w && !w->destroyed)
            Shell::Get().Register(*w);
    }
}

}  // namespace sim
