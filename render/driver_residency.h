// Keeps the OpenGL driver's own library loaded until the process ends.
//
// Mesa keeps a little of its driver's state until the process ends, reached
// from the driver library's own globals, and it unloads that library when the
// display closes (eglTerminate, glfwTerminate). A leak check at exit then
// finds blocks whose only references vanished with the unmapped library, and
// cannot even name where they came from, so they look like ours. With the
// library resident the blocks stay referenced, as they really are, and the
// sanitizer builds need no suppressions.
//
// Threads: any thread; call once a GL context exists (the driver is loaded).
#pragma once

namespace gravelkin {

void keepGraphicsDriverResident();

}  // namespace gravelkin
