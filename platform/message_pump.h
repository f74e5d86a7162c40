#pragma once

/// Runs the event loop until at least one event was handled: blocks while
/// nothing happens, so a wait built on it ("pump, then test the flags")
/// costs no CPU while idle. Returns at once when no event loop exists.
void PumpMessages();
