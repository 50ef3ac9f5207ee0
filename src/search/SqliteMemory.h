// Memory for SQLite: blocks kept by size class and reused.
#pragma once

// Puts the allocator in place; must come before SQLite's first use in the process.
// Later calls do nothing.
void UseSqliteSizeClassMemory();
// Gives the kept free blocks back to the system heap (after a build, whose blocks
// are not needed again soon).
void ReleaseSqliteFreeMemory();
