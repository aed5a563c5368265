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

/// Creates the instance, makes it current and returns it (null when the allocation fails;
/// the current instance is then null). A previous instance is destroyed first.
McdGeometryTests* McdGeometryTestsCreate();
/// Destroys the current instance (if any).
void McdGeometryTestsDestroy();
/// The current instance, or null.
McdGeometryTests* McdGeometryTestsGet();
