#pragma once

// The program's own pictures (tool-bar icons, the program's icon in its sizes) are built into
// the core room's library; a static library's resources must be registered once before use.
// Every window that shows one calls this first; calling it again does nothing.
void initProgramResources();
