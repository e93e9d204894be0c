// The two full-screen passes between the 3D scene and the overlays: a zoom
// blur away from the picture's centre, then an RGB split around a point 40 %
// down from the top. The strengths come from the frame loop (blurzoom and
// blurrgb). Without shaders each pass draws its source as it is.
#include "demo/demo.h"
#include "engine/video/mox.h"

int zoomblur1_id = -1;
int zoomblur2_id = -1;
int postshader_id = -1;

// One quad over the current frame buffer; the source's rows run bottom-up,
// so v runs from 1 at the top edge to 0 at the bottom.
static void drawwholebuffer()
{
    MOX_DrawQuad(0, 0, float(MOX_GetFrameBufferWidth()), float(MOX_GetFrameBufferHeight()), 0, 1, 1, 0);
}

void DoZoomBlur(int source, int middle, int target, float zoom, float rgb)
{
    if (MOX_rehearsing) return;
    MOX_SetFrameBuffer(middle);
    MOX_BindShader(zoomblur1_id);
    MOX_ClearFrameBuffer(0);
    const float zoomfactor = 1.0f;
    MOX_SetShaderUniform1i(zoomblur1_id, "tex0", 0);
    MOX_SetShaderUniform2f(zoomblur1_id, "rotation_point", 0.5f, 0.5f);
    MOX_SetShaderUniform1f(zoomblur1_id, "bluramount", float(zoom * 0.43));
    MOX_SetShaderUniform1f(zoomblur1_id, "centerofblur", 0.0f);
    MOX_SetShaderUniform1f(zoomblur1_id, "angle", 0.0f);
    MOX_SetShaderUniform1f(zoomblur1_id, "zoomfactor", zoomfactor);
    MOX_SetShaderUniform1f(zoomblur1_id, "zoomfactordiv36", zoomfactor / 36.0f);
    MOX_BindTexture(MOX_GetFrameBufferTexture(source));
    drawwholebuffer();

    MOX_SetFrameBuffer(target);
    MOX_ClearFrameBuffer(0);
    MOX_BindShader(zoomblur2_id);
    MOX_SetShaderUniform1i(zoomblur2_id, "tex0", 0);
    MOX_SetShaderUniform2f(zoomblur2_id, "rotation_point", 0.5f, 0.6f);
    MOX_SetShaderUniform1f(zoomblur2_id, "bluramount", float(zoom * 0.037));
    MOX_SetShaderUniform1f(zoomblur2_id, "exposure", 0.0f);
    MOX_SetShaderUniform1f(zoomblur2_id, "rgbsplit1", float(1.0 - rgb));
    MOX_SetShaderUniform1f(zoomblur2_id, "rgbsplit2", float(1.0 + rgb));
    MOX_BindTexture(MOX_GetFrameBufferTexture(middle));
    drawwholebuffer();
    MOX_UnbindShader();
}
