// In the static executable, the user database answers "no such user".
//
// A link workaround, not a speed trick. libedit's file-name and user-name
// completion (which zorm never offers: its own completion replaces them)
// reach for the user database. Linked statically, the C library's versions
// of these lookups load its name-service modules at run time from whatever
// version is installed, and the linker warns that the executable then needs
// the shared libraries of the C library it was linked with; they also add
// about 150 KB. Defined here, they find nothing and keep the executable
// self-contained. Only the static link takes this file.
#include <sys/types.h>

struct passwd;

extern "C" {

passwd* getpwent() { return nullptr; }
void setpwent() {}
void endpwent() {}
passwd* getpwuid(uid_t) { return nullptr; }
passwd* getpwnam(const char*) { return nullptr; }
int getpwnam_r(const char*, passwd*, char*, size_t, passwd** result) {
  *result = nullptr;
  return 0;
}
int getpwuid_r(uid_t, passwd*, char*, size_t, passwd** result) {
  *result = nullptr;
  return 0;
}

}  // extern "C"
