// The program's version, for the version resource and the name of the
// Windows zip (CMakeLists.txt reads ScrivelanderVersionText from here).
#ifndef SCRIVELANDER_VERSION_H
#define SCRIVELANDER_VERSION_H

#define ScrivelanderVersionMajor 2
#define ScrivelanderVersionMinor 96
#define ScrivelanderVersionText "2.96"

#endif
