#pragma once
/// The line-test object: the low-level line clippers and primitive overlap tests that the
/// pair functions share, reached through one instance the framework creates at `McdInit`
/// and destroys at `McdTerm`. It holds no data; its operations are virtual.

class McdGeometryTests {
public:
    McdGeometryTests() = default;
    McdGeometryTests(const McdGeometryTests&) = delete;
    McdGeometryTests& operator=(const McdGeometryTests&) = delete;
    virtual ~McdGeometryTests() = default;
};

/// Returns the shared instance, creating it on first use, and counts one more user (each
/// framework is one). Null when the allocation fails.
McdGeometryTests* McdGeometryTestsCreate();
/// Counts one user less; the last one destroys the instance.
void McdGeometryTestsDestroy();
/// The current instance, or null.
McdGeometryTests* McdGeometryTestsGet();
