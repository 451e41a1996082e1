#pragma once

#include <QString>
#include <QStringList>

// A test that must measure or bound a whole process (its peak memory, its
// address space) runs its work in a child: the same test program, started
// again with a filter for the same test, in whose process the test finds
// itself to be the child.
//
//     TEST(Pictures, BombsTakeLittle) {
//         if (childrun::inChild()) {                  // the child's part
//             childrun::limitAddressSpace(512 << 20);
//             ...EXPECT...;                          // failures end it with 1
//             return;
//         }
//         QString output;
//         EXPECT_EQ(childrun::runThisTest(&output), 0) << output.toStdString();
//     }
//
// Values for the child go through its environment (setValue before
// runThisTest, value in the child).
namespace childrun {

// True in the child that runThisTest started.
bool inChild();

// Passed to the next child as its environment.
void setValue(const QString& name, const QString& value);
QString value(const QString& name);

// Runs the current test in a child and waits for it (at most `timeoutMs`).
// Its exit code (-1 when it crashed or did not end), its output in `output`.
int runThisTest(QString* output, int timeoutMs = 240000);

// For a test whose whole work runs in a child: in the parent, runs this test
// in a child, expects it to end with 0 (its output shown when not) and
// returns true, so that the test returns; in the child, false.
//
//     if (childrun::ranInChild(60000))
//         return;
bool ranInChild(int timeoutMs = 240000);

// Runs the test `suite.name` of this program in a fresh child (with the
// values set before, and inChild() true there) and waits as runThisTest
// does: for a test that must start from a process nothing else has touched.
int runTest(const QString& suiteAndName, QString* output, int timeoutMs = 240000);

// True in a build with AddressSanitizer: its shadow memory takes terabytes
// of address space, so no address-space limit can be set there.
bool sanitized();

// Lowers this process's address-space limit to what it maps now plus
// `moreBytes`. False when it could not (or in a sanitized build).
bool limitAddressSpace(long long moreBytes);

// The peak resident memory of this process so far, in bytes.
long long peakResidentBytes();

}  // namespace childrun
