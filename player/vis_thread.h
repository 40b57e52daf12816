#pragma once
// The threads of a media player: the player's window and its message loop on the
// main thread, the visualisation (init, render, quit, and the messages of the
// plug-in's window) on a rendering thread of its own. The plug-in's requests to
// the player's window then cross threads, as they do in the players it runs in.

#include <functional>
#include <string>

// Runs `work` on a new thread while this one dispatches its windows' messages,
// and returns when `work` has returned. False, with the reason in `error`, when
// the thread cannot be started; `work` has then not run.
bool runOnVisThread(const std::function<void()>& work, std::string& error);
