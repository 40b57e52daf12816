#pragma once
// All tests share one process and so one copy of the plug-in's module-level
// state; this puts it back as it was when the "DLL" was loaded.

// Frees what the plug-in still holds (queued sprites, the sprite image, the file
// buffer, an open picture file) and restores every global to its load-time value,
// the C library's random sequence included. Call it before winstub::reset(),
// which then forgets the calls made here.
void restorePluginLoadState();
