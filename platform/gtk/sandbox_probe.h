// Whether WebKit's web process sandbox can run on this system.
#pragma once

namespace vandrel::gtk {

// True when bubblewrap is installed and may make the namespaces the sandbox is built of. A
// chroot, most containers and kernels that refuse unprivileged user namespaces make it fail,
// and WebKit would then abort at its first page rather than fall back. Runs bubblewrap once,
// with nothing inside; says on standard error why the pages run without the sandbox.
bool sandboxWorks();

}  // namespace vandrel::gtk
