# The cross-process COM calls of Shutterling.exe run with Wine's +ole
# channel, for the measurements (measure-calls.sh, measure-storm.sh). Wine's
# COM layer prints one ClientRpcChannelBuffer_GetBuffer line per outgoing
# call, whichever thread makes it. Source after lib.sh.

call_lines() { grep 'ClientRpcChannelBuffer_GetBuffer (.*)->(' "$W/app.out" || true; }
calls() { call_lines | wc -l; }

# settled: the calls so far, once no more come for half a second (releases
# posted to workers finish after the handler returned).
settled() {
    local a b
    a=$(calls)
    sleep 0.5
    b=$(calls)
    while [ "$a" != "$b" ]; do a=$b; sleep 0.5; b=$(calls); done
    echo "$b"
}
