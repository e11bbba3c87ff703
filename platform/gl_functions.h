// OpenGL ES 3.0's calls as pointers filled in once a context is current: for
// Windows, whose opengl32.dll exports only OpenGL 1.1 (the rest is the
// driver's, found through the context). The back end's code is the same;
// these names stand in for the functions it calls.
#pragma once

#include <string>

#define GL_GLES_PROTOTYPES 0
#include <GLES3/gl3.h>

// Every call the back end makes, and its type.
#define QUORVEX_GL_FUNCTIONS(X)                                                                    \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                     \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                       \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                           \
    X(PFNGLBINDTEXTUREPROC, glBindTexture)                                                         \
    X(PFNGLBINDVERTEXARRAYPROC, glBindVertexArray)                                                 \
    X(PFNGLBLENDFUNCPROC, glBlendFunc)                                                             \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                           \
    X(PFNGLCLEARPROC, glClear)                                                                     \
    X(PFNGLCLEARCOLORPROC, glClearColor)                                                           \
    X(PFNGLCOLORMASKPROC, glColorMask)                                                             \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                     \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                     \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                       \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                     \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                       \
    X(PFNGLDELETETEXTURESPROC, glDeleteTextures)                                                   \
    X(PFNGLDISABLEPROC, glDisable)                                                                 \
    X(PFNGLDRAWELEMENTSPROC, glDrawElements)                                                       \
    X(PFNGLENABLEPROC, glEnable)                                                                   \
    X(PFNGLENABLEVERTEXATTRIBARRAYPROC, glEnableVertexAttribArray)                                 \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                           \
    X(PFNGLGENTEXTURESPROC, glGenTextures)                                                         \
    X(PFNGLGENVERTEXARRAYSPROC, glGenVertexArrays)                                                 \
    X(PFNGLGETBOOLEANVPROC, glGetBooleanv)                                                         \
    X(PFNGLGETERRORPROC, glGetError)                                                               \
    X(PFNGLGETFLOATVPROC, glGetFloatv)                                                             \
    X(PFNGLGETINTEGERVPROC, glGetIntegerv)                                                         \
    X(PFNGLGETPROGRAMINFOLOGPROC, glGetProgramInfoLog)                                             \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                       \
    X(PFNGLGETSHADERINFOLOGPROC, glGetShaderInfoLog)                                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                         \
    X(PFNGLGETSTRINGPROC, glGetString)                                                             \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                           \
    X(PFNGLISENABLEDPROC, glIsEnabled)                                                             \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                         \
    X(PFNGLPIXELSTOREIPROC, glPixelStorei)                                                         \
    X(PFNGLREADPIXELSPROC, glReadPixels)                                                           \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                       \
    X(PFNGLTEXIMAGE2DPROC, glTexImage2D)                                                           \
    X(PFNGLTEXPARAMETERIPROC, glTexParameteri)                                                     \
    X(PFNGLTEXSUBIMAGE2DPROC, glTexSubImage2D)                                                     \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                             \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                           \
    X(PFNGLVERTEXATTRIBPOINTERPROC, glVertexAttribPointer)                                         \
    X(PFNGLVIEWPORTPROC, glViewport)

#define QUORVEX_GL_DECLARE(type, name) extern type quorvex_##name;
QUORVEX_GL_FUNCTIONS(QUORVEX_GL_DECLARE)
#undef QUORVEX_GL_DECLARE

#define glActiveTexture quorvex_glActiveTexture
#define glAttachShader quorvex_glAttachShader
#define glBindBuffer quorvex_glBindBuffer
#define glBindTexture quorvex_glBindTexture
#define glBindVertexArray quorvex_glBindVertexArray
#define glBlendFunc quorvex_glBlendFunc
#define glBufferData quorvex_glBufferData
#define glClear quorvex_glClear
#define glClearColor quorvex_glClearColor
#define glColorMask quorvex_glColorMask
#define glCompileShader quorvex_glCompileShader
#define glCreateProgram quorvex_glCreateProgram
#define glCreateShader quorvex_glCreateShader
#define glDeleteProgram quorvex_glDeleteProgram
#define glDeleteShader quorvex_glDeleteShader
#define glDeleteTextures quorvex_glDeleteTextures
#define glDisable quorvex_glDisable
#define glDrawElements quorvex_glDrawElements
#define glEnable quorvex_glEnable
#define glEnableVertexAttribArray quorvex_glEnableVertexAttribArray
#define glGenBuffers quorvex_glGenBuffers
#define glGenTextures quorvex_glGenTextures
#define glGenVertexArrays quorvex_glGenVertexArrays
#define glGetBooleanv quorvex_glGetBooleanv
#define glGetError quorvex_glGetError
#define glGetFloatv quorvex_glGetFloatv
#define glGetIntegerv quorvex_glGetIntegerv
#define glGetProgramInfoLog quorvex_glGetProgramInfoLog
#define glGetProgramiv quorvex_glGetProgramiv
#define glGetShaderInfoLog quorvex_glGetShaderInfoLog
#define glGetShaderiv quorvex_glGetShaderiv
#define glGetString quorvex_glGetString
#define glGetUniformLocation quorvex_glGetUniformLocation
#define glIsEnabled quorvex_glIsEnabled
#define glLinkProgram quorvex_glLinkProgram
#define glPixelStorei quorvex_glPixelStorei
#define glReadPixels quorvex_glReadPixels
#define glShaderSource quorvex_glShaderSource
#define glTexImage2D quorvex_glTexImage2D
#define glTexParameteri quorvex_glTexParameteri
#define glTexSubImage2D quorvex_glTexSubImage2D
#define glUniform1i quorvex_glUniform1i
#define glUseProgram quorvex_glUseProgram
#define glVertexAttribPointer quorvex_glVertexAttribPointer
#define glViewport quorvex_glViewport

namespace platform {

// Fills every pointer from the current context; false with the first name
// the driver lacks.
bool loadGlFunctions(std::string& missing);

} // namespace platform
