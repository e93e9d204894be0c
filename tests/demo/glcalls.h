// Draw calls made through the GL since the program started (glBegin,
// glDrawArrays, glDrawElements, glCallList), counted by glcalls.cpp.
#pragma once

extern int glcalls_draws;
