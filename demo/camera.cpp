// The demo's cameras, its one key and its mesh objects. The eye stays in
// the plane x = 0 and looks at (0, 2, 0); the frame loop moves it (centerY,
// centerZ) and the particle spawns turn it (camrot). The floor's camera is
// the same eye without the turn, so the floor stays still under the field.
#include "engine/platform/moxgl.h"

#include "demo/demo.h"
#include "engine/video/mox.h"

float centerX = 0;
float centerY = 4;  // coremain sets 8 before the loop; scene event 6 sets 4
float centerZ = -15;

// Constructed in this order before coremain runs, destroyed in the reverse
// order at exit; only mesh_floor is ever loaded.
c_mesh mesh_room;
c_mesh mesh_roommirror;
c_mesh mesh_floor;
c_mesh mesh_cube;

void HandleCameraStill()
{
    glLoadIdentity();
    MOX_LookAt(centerX, centerY, centerZ, 0, 2, 0);
}

void HandleCamera()
{
    HandleCameraStill();
    glRotatef(camrot, 0, 1, 0);
}

void HandleInput()
{
    int held = 0, pressed = 0;
    MOX_GetKeys(&held, &pressed);
    int x = 0, y = 0, buttons = 0;
    MOX_GetMouse(&x, &y, &buttons);  // polled, not used
    // Only the held mask counts: a tap between two polls is missed.
    if (held & 0x8000) exitgame = 1;
}
