#include "physics/dynamics/kea_dump.h"

#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_stream.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void AddLine(std::string& out, const char* text)
{
    out += text;
    out += '\n';
}

void AddFloat(std::string& out, MeReal v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, 4);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08x\n", bits);
    out += buffer;
}

void AddInt(std::string& out, int v)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%d\n", v);
    out += buffer;
}

void KeyFloat(std::string& out, const char* key, MeReal v)
{
    AddLine(out, key);
    AddFloat(out, v);
}

void KeyInt(std::string& out, const char* key, int v)
{
    AddLine(out, key);
    AddInt(out, v);
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        long n = MeWrite(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

const char* const bodyVectors[] = {"force", "torque", "invI0", "invI1", "invI2", "I0", "I1",
                                   "I2",    "vel",    "velrot", "qrot", "accel", "fastSpinAxis"};

MeReal* BodyVector(keaBody* b, int i)
{
    MeReal* const vectors[] = {b->force, b->torque, b->invI0, b->invI1, b->invI2, b->I0,  b->I1,
                               b->I2,    b->vel,    b->velrot, b->qrot, b->accel, b->fastSpinAxis};
    return vectors[i];
}

}  // namespace

int keaWriteInput(const keaConstraints* rows, const keaParams* params, keaBody* const* bodies, int bodyCount)
{
    const char* name = params->debug.inputFile;
    if (!name)
        return 0;
    std::printf("-- writing kea input to file %s\n", name);
    std::string out;
    KeyFloat(out, "gamma", params->gamma);
    KeyFloat(out, "epsilon", params->epsilon);
    KeyFloat(out, "stepsize", params->stepsize);
    KeyInt(out, "max_iterations", params->max_iterations);
    KeyInt(out, "num_partitions", rows->num_partitions);
    KeyInt(out, "max_partitions", rows->max_partitions);
    const int* perPartition[] = {rows->num_rows_exc_padding_partition, rows->num_rows_inc_padding_partition,
                                 rows->num_constraints_partition};
    const char* partitionKeys[] = {"num_rows_exc_padding_partition", "num_rows_inc_padding_partition",
                                   "num_constraints_partition"};
    for (int k = 0; k < 3; ++k) {
        AddLine(out, partitionKeys[k]);
        for (int p = 0; p < rows->num_partitions; ++p)
            AddInt(out, perPartition[k][p]);
    }
    KeyInt(out, "num_rows_inc_padding", rows->num_rows_inc_padding);
    KeyInt(out, "num_rows_exc_padding", rows->num_rows_exc_padding);
    KeyInt(out, "max_constraint_rows", rows->max_constraint_rows);
    KeyInt(out, "num_constraints", rows->num_constraints);
    KeyInt(out, "max_constraints", rows->max_constraints);
    AddLine(out, "Jstore");
    for (int block = 0; block < rows->num_rows_inc_padding / 4; ++block) {
        for (int r = 0; r < 4; ++r) {
            for (int col = 0; col < 12; ++col) {
                std::uint32_t bits;
                std::memcpy(&bits, &rows->Jstore[keaJstoreIndex(block * 4 + r, col)], 4);
                char buffer[16];
                std::snprintf(buffer, sizeof buffer, "%08x; ", bits);
                out += buffer;
            }
            out += '\n';
        }
        out += '\n';
    }
    const MeReal* perRow[] = {rows->xi, rows->c, rows->lo, rows->hi, rows->slipfactor, rows->xgamma};
    const char* rowKeys[] = {"xi", "c", "lo", "hi", "slipfactor", "xgamma"};
    for (int k = 0; k < 6; ++k) {
        AddLine(out, rowKeys[k]);
        for (int r = 0; r < rows->num_rows_exc_padding; ++r)
            AddFloat(out, perRow[k][r]);
    }
    AddLine(out, "Jsize");
    for (int i = 0; i < rows->num_constraints; ++i)
        AddInt(out, rows->Jsize[i]);
    AddLine(out, "Jofs");
    for (int i = 0; i < rows->num_constraints; ++i)
        AddInt(out, rows->Jofs[i]);
    AddLine(out, "Jbody");
    for (int i = 0; i < 2 * rows->num_constraints; ++i)
        AddInt(out, rows->Jbody[i]);
    KeyInt(out, "num_bodies", bodyCount);
    for (int i = 0; i < bodyCount; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "body %d", i);
        AddLine(out, title);
        keaBody* b = bodies[i];
        KeyFloat(out, "invmass", b->invmass);
        KeyInt(out, "flags", static_cast<int>(b->flags));
        for (int v = 0; v < 13; ++v) {
            AddLine(out, bodyVectors[v]);
            for (int k = 0; k < 4; ++k)
                AddFloat(out, BodyVector(b, v)[k]);
        }
    }
    int fd = MeOpen(name, 1);
    if (fd < 0) {
        MeFatalError(0, "file %s could not be opened\n", name);
        return 0;
    }
    bool ok = WriteAll(fd, out);
    MeClose(fd);
    return ok ? 1 : 0;
}

namespace {

// Line reader over a dump: each value is read after skipping its key line.
class DumpReader {
public:
    explicit DumpReader(MeStream* s) : stream(s) {}

    bool Line(std::string& out)
    {
        char buffer[258];
        if (!MeStreamReadLine(buffer, sizeof buffer, stream))
            return false;
        std::size_t n = std::strlen(buffer);
        if (n > 0 && buffer[n - 1] != '\n' && n >= 256)
            return false;  // longer than any line the writer makes
        while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r'))
            --n;
        out.assign(buffer, n);
        return true;
    }

    bool Skip()
    {
        std::string ignored;
        return Line(ignored);
    }

    bool Int(int& v)
    {
        std::string line;
        if (!Line(line) || line.empty())
            return false;
        errno = 0;
        char* end = nullptr;
        long value = std::strtol(line.c_str(), &end, 10);
        if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
            return false;
        v = static_cast<int>(value);
        return true;
    }

    static bool Hex(const char* text, const char** end, MeReal& v)
    {
        std::uint32_t bits = 0;
        int digits = 0;
        for (; digits < 8; ++digits) {
            char ch = text[digits];
            int d = ch >= '0' && ch <= '9' ? ch - '0' : ch >= 'a' && ch <= 'f' ? ch - 'a' + 10 : ch >= 'A' && ch <= 'F' ? ch - 'A' + 10 : -1;
            if (d < 0)
                return false;
            bits = bits << 4 | static_cast<std::uint32_t>(d);
        }
        std::memcpy(&v, &bits, 4);
        *end = text + 8;
        return true;
    }

    bool Float(MeReal& v)
    {
        std::string line;
        const char* end;
        return Line(line) && line.size() == 8 && Hex(line.c_str(), &end, v);
    }

    bool KeyInt(int& v) { return Skip() && Int(v); }
    bool KeyFloat(MeReal& v) { return Skip() && Float(v); }

private:
    MeStream* stream;
};

bool InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

}  // namespace

int keaReadInput(keaConstraints* rows, keaParams* params, keaBody** bodies, int maxBodies, int* bodyCount)
{
    const char* name = params->debug.readFile;
    if (!name)
        return 0;
    std::printf("-- reading kea input from file %s\n", name);
    MeStream* stream = MeStreamOpen(name, 0);
    if (!stream) {
        MeFatalError(0, "file %s could not be opened\n", name);
        return 0;
    }
    DumpReader in(stream);
    // Everything is read into a staging copy and moved into place only when the whole file is valid.
    keaConstraints r = *rows;
    keaParams p = *params;
    std::vector<int> perPartition[3];
    std::vector<MeReal> jstore, perRow[6];
    std::vector<int> jsize, jofs, jbody;
    std::vector<keaBody> readBodies;
    int ignored = 0, nb = 0;
    bool ok = in.KeyFloat(p.gamma) && in.KeyFloat(p.epsilon) && in.KeyFloat(p.stepsize) &&
              in.KeyInt(p.max_iterations) && in.KeyInt(r.num_partitions) && in.KeyInt(ignored);
    ok = ok && InRange(r.num_partitions, 0, rows->max_partitions) && p.max_iterations >= 0;
    for (int k = 0; ok && k < 3; ++k) {
        ok = in.Skip();
        perPartition[k].resize(static_cast<std::size_t>(r.num_partitions));
        for (int i = 0; ok && i < r.num_partitions; ++i)
            ok = in.Int(perPartition[k][i]) && perPartition[k][i] >= 0;
    }
    ok = ok && in.KeyInt(r.num_rows_inc_padding) && in.KeyInt(r.num_rows_exc_padding) && in.KeyInt(ignored) &&
         in.KeyInt(r.num_constraints) && in.KeyInt(ignored);
    ok = ok && InRange(r.num_rows_inc_padding, 0, rows->max_constraint_rows) && r.num_rows_inc_padding % 4 == 0 &&
         InRange(r.num_rows_exc_padding, 0, r.num_rows_inc_padding) &&
         InRange(r.num_constraints, 0, rows->max_constraints);
    if (ok) {
        long sums[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k)
            for (int v : perPartition[k])
                sums[k] += v;
        ok = sums[0] <= r.num_rows_exc_padding && sums[1] == r.num_rows_inc_padding && sums[2] == r.num_constraints;
    }
    ok = ok && in.Skip();
    jstore.assign(static_cast<std::size_t>(r.num_rows_inc_padding) * 12, 0.0f);
    for (int block = 0; ok && block < r.num_rows_inc_padding / 4; ++block) {
        for (int row = 0; ok && row < 4; ++row) {
            std::string line;
            ok = in.Line(line);
            const char* cursor = line.c_str();
            for (int col = 0; ok && col < 12; ++col) {
                MeReal v;
                ok = DumpReader::Hex(cursor, &cursor, v) && cursor[0] == ';' && cursor[1] == ' ';
                if (ok) {
                    cursor += 2;
                    jstore[static_cast<std::size_t>(keaJstoreIndex(block * 4 + row, col))] = v;
                }
            }
            ok = ok && *cursor == '\0';
        }
        ok = ok && in.Skip();
    }
    for (int k = 0; ok && k < 6; ++k) {
        ok = in.Skip();
        perRow[k].resize(static_cast<std::size_t>(r.num_rows_exc_padding));
        for (int i = 0; ok && i < r.num_rows_exc_padding; ++i)
            ok = in.Float(perRow[k][i]);
    }
    jsize.resize(static_cast<std::size_t>(r.num_constraints));
    jofs.resize(static_cast<std::size_t>(r.num_constraints));
    jbody.resize(static_cast<std::size_t>(2 * r.num_constraints));
    ok = ok && in.Skip();
    for (int i = 0; ok && i < r.num_constraints; ++i)
        ok = in.Int(jsize[i]) && InRange(jsize[i], 0, r.num_rows_exc_padding);
    ok = ok && in.Skip();
    for (int i = 0; ok && i < r.num_constraints; ++i)
        ok = in.Int(jofs[i]) && InRange(jofs[i], 0, r.num_rows_exc_padding);
    ok = ok && in.Skip();
    for (int i = 0; ok && i < 2 * r.num_constraints; ++i)
        ok = in.Int(jbody[i]);
    ok = ok && in.KeyInt(nb) && InRange(nb, 0, maxBodies);
    for (int i = 0; ok && i < 2 * r.num_constraints; ++i)
        ok = InRange(jbody[i], -1, nb - 1);
    readBodies.resize(ok ? static_cast<std::size_t>(nb) : 0);
    for (int i = 0; ok && i < nb; ++i) {
        keaBody& b = readBodies[i];
        int flags = 0;
        ok = in.Skip() && in.KeyFloat(b.invmass) && in.KeyInt(flags);
        b.flags = static_cast<MeU32>(flags);
        for (int v = 0; ok && v < 13; ++v) {
            ok = in.Skip();
            for (int k = 0; ok && k < 4; ++k)
                ok = in.Float(BodyVector(&b, v)[k]);
        }
    }
    MeStreamClose(stream);
    if (!ok) {
        MeWarning(0, "keaReadInput: %s is not a valid solver input\n", name);
        return 0;
    }
    std::vector<keaBody*> made(static_cast<std::size_t>(nb), nullptr);
    for (int i = 0; i < nb; ++i) {
        made[i] = static_cast<keaBody*>(MeMemoryAPI.createAligned(sizeof(keaBody), 16));
        if (!made[i]) {
            keaFreeInputBodies(made.data(), i);
            return 0;
        }
        *made[i] = readBodies[i];
    }
    for (int i = 0; i < nb; ++i)
        bodies[i] = made[i];
    *bodyCount = nb;
    for (int k = 0; k < 3; ++k) {
        int* dest[] = {rows->num_rows_exc_padding_partition, rows->num_rows_inc_padding_partition,
                       rows->num_constraints_partition};
        std::copy(perPartition[k].begin(), perPartition[k].end(), dest[k]);
    }
    std::copy(jstore.begin(), jstore.end(), rows->Jstore);
    MeReal* rowDest[] = {rows->xi, rows->c, rows->lo, rows->hi, rows->slipfactor, rows->xgamma};
    for (int k = 0; k < 6; ++k)
        std::copy(perRow[k].begin(), perRow[k].end(), rowDest[k]);
    std::copy(jsize.begin(), jsize.end(), rows->Jsize);
    std::copy(jofs.begin(), jofs.end(), rows->Jofs);
    std::copy(jbody.begin(), jbody.end(), rows->Jbody);
    rows->num_partitions = r.num_partitions;
    rows->num_rows_inc_padding = r.num_rows_inc_padding;
    rows->num_rows_exc_padding = r.num_rows_exc_padding;
    rows->num_constraints = r.num_constraints;
    params->gamma = p.gamma;
    params->epsilon = p.epsilon;
    params->stepsize = p.stepsize;
    params->max_iterations = p.max_iterations;
    return 1;
}

void keaFreeInputBodies(keaBody** bodies, int count)
{
    for (int i = 0; i < count; ++i) {
        MeMemoryAPI.destroyAligned(bodies[i]);
        bodies[i] = nullptr;
    }
}

namespace {
std::FILE* intermediate = nullptr;
}

int keaIntermediateOpen(const char* name)
{
    keaIntermediateClose();
    if (!name)
        return 0;
    intermediate = std::fopen(name, "w");
    if (!intermediate)
        return 0;
    std::printf("-- writing intermediate data to file %s\n", name);
    return 1;
}

bool keaIntermediateIsOpen() { return intermediate != nullptr; }

void keaIntermediateInt(const char* key, int value)
{
    if (intermediate)
        std::fprintf(intermediate, "%s\n%d\n", key, value);
}

void keaIntermediateFloats(const char* key, const MeReal* values, int count)
{
    if (!intermediate)
        return;
    std::fprintf(intermediate, "%s\n", key);
    for (int i = 0; i < count; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, &values[i], 4);
        std::fprintf(intermediate, "%08x\n", bits);
    }
}

void keaIntermediateClose()
{
    if (intermediate)
        std::fclose(intermediate);
    intermediate = nullptr;
}
