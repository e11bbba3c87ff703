#include "render/shader_program.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "render/gl_api.h"

namespace render {
namespace {

const char* const kVertex = R"(
layout(location = 0) in vec2 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec4 colour;
out vec2 uv;
out vec4 tint;
void main() {
    uv = texCoord;
    // Colours beyond 0..1 were clamped by the old pipeline too.
    tint = clamp(colour, 0.0, 1.0);
    gl_Position = vec4(position, 0.0, 1.0);
}
)";

const char* const kFragment = R"(
precision highp float;
uniform sampler2D picture;
in vec2 uv;
in vec4 tint;
out vec4 fragColour;
void main() {
    fragColour = texture(picture, uv) * tint;
}
)";

bool check(GLuint object, bool program, const char* what) {
    GLint ok = GL_FALSE;
    if (program)
        glGetProgramiv(object, GL_LINK_STATUS, &ok);
    else
        glGetShaderiv(object, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return true;
    char log[2048] = {};
    GLsizei length = 0;
    if (program)
        glGetProgramInfoLog(object, sizeof(log) - 1, &length, log);
    else
        glGetShaderInfoLog(object, sizeof(log) - 1, &length, log);
    std::fprintf(stderr, "The %s shader failed to %s:\n%s\n", what, program ? "link" : "compile",
                 log);
    return false;
}

GLuint compile(GLenum kind, const char* body, const char* what) {
    const char* parts[2] = {contextIsEs() ? "#version 300 es\n" : "#version 330 core\n", body};
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    if (!check(shader, false, what)) {
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

bool contextIsEs() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version != nullptr && std::strncmp(version, "OpenGL ES", 9) == 0;
}

uint32_t makeShaderProgram() {
    GLuint vertex = compile(GL_VERTEX_SHADER, kVertex, "vertex");
    GLuint fragment = compile(GL_FRAGMENT_SHADER, kFragment, "fragment");
    if (vertex == 0 || fragment == 0) {
        if (vertex != 0) glDeleteShader(vertex);
        if (fragment != 0) glDeleteShader(fragment);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    if (!check(program, true, "picture")) {
        glDeleteProgram(program);
        return 0;
    }
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    return program;
}

} // namespace render
