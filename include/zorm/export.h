/* What the zorm library exports: the functions and classes of zorm/zorm.h and
 * zorm/zorm_c.h carry ZORM_API; everything else in the library is hidden. */
#ifndef ZORM_EXPORT_H
#define ZORM_EXPORT_H

#if defined(__GNUC__) || defined(__clang__)
#define ZORM_API __attribute__((visibility("default")))
#else
#define ZORM_API
#endif

#endif
