#pragma once

// Timer periods of the device link, in milliseconds. The defaults are the system's
// own; tests pass shorter ones.
struct LinkTimings {
    int connectTick = 300;        // steps the connection procedure
    int tick = 1500;              // sends the next request of the open link
    int eventTick = 600;          // the same while the event register is read
    int replyTimeout = 1500;      // reply time-out
    int eventReplyTimeout = 1000; // reply time-out of an event block
    int errorPause = 500;         // after a bad reply, before the purge
    int closeWait = 200;          // after the link-closing or reset frame, before the close
};
