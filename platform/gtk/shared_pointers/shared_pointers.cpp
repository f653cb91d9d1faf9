// JavaScriptCore releases its own shared pointers through the std::shared_ptr code of the
// program that loads it. The sanitizers' vptr check cannot see JavaScriptCore's types and
// reports every such release, so each program that runs WebKit takes this copy of that code,
// built without the check, ahead of the copies in its libraries.
#include <memory>

template class std::_Sp_counted_base<__gnu_cxx::_S_atomic>;
