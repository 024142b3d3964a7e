// In the static executable, the user database answers "no such user".
//
// libedit's file-name and user-name completion (which zorm never offers: its
// own completion replaces them) reach for the user database. In a static
// executable the C library would load its name-service modules at run time
// from whatever version is installed, so these lookups are defined here, find
// nothing, and keep the executable self-contained.
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
