#include "physics/dynamics/kea_dump.h"

#include "physics/dynamics/me_array_local.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_stream.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Buffered text output through the toolkit's file functions.
class DumpWriter {
public:
    explicit DumpWriter(int fd) : fd_(fd) {}
    ~DumpWriter() { Flush(); }

    void Text(const char* text)
    {
        for (; *text; ++text) {
            if (used_ == sizeof buffer_)
                Flush();
            buffer_[used_++] = *text;
        }
    }

    void Format(const char* format, unsigned value)
    {
        char item[32];
        std::snprintf(item, sizeof item, format, value);
        Text(item);
    }

    void Line(const char* text)
    {
        Text(text);
        Text("\n");
    }

    void Float(MeReal v)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        Format("%08x\n", bits);
    }

    void Int(int v)
    {
        char item[32];
        std::snprintf(item, sizeof item, "%d\n", v);
        Text(item);
    }

    void KeyFloat(const char* key, MeReal v)
    {
        Line(key);
        Float(v);
    }

    void KeyInt(const char* key, int v)
    {
        Line(key);
        Int(v);
    }

    bool Ok() const { return ok_; }

    void Flush()
    {
        std::size_t done = 0;
        while (ok_ && done < used_) {
            long n = MeWrite(fd_, buffer_ + done, used_ - done);
            if (n <= 0)
                ok_ = false;
            else
                done += static_cast<std::size_t>(n);
        }
        used_ = 0;
    }

private:
    int fd_;
    char buffer_[4096];
    std::size_t used_ = 0;
    bool ok_ = true;
};

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
    int fd = MeOpen(name, 1);
    if (fd < 0) {
        MeFatalError(0, "file %s could not be opened\n", name);
        return 0;
    }
    bool ok;
    {
        DumpWriter out(fd);
        out.KeyFloat("gamma", params->gamma);
        out.KeyFloat("epsilon", params->epsilon);
        out.KeyFloat("stepsize", params->stepsize);
        out.KeyInt("max_iterations", params->max_iterations);
        out.KeyInt("num_partitions", rows->num_partitions);
        out.KeyInt("max_partitions", rows->max_partitions);
        const int* perPartition[] = {rows->num_rows_exc_padding_partition, rows->num_rows_inc_padding_partition,
                                     rows->num_constraints_partition};
        const char* partitionKeys[] = {"num_rows_exc_padding_partition", "num_rows_inc_padding_partition",
                                       "num_constraints_partition"};
        for (int k = 0; k < 3; ++k) {
            out.Line(partitionKeys[k]);
            for (int p = 0; p < rows->num_partitions; ++p)
                out.Int(perPartition[k][p]);
        }
        out.KeyInt("num_rows_inc_padding", rows->num_rows_inc_padding);
        out.KeyInt("num_rows_exc_padding", rows->num_rows_exc_padding);
        out.KeyInt("max_constraint_rows", rows->max_constraint_rows);
        out.KeyInt("num_constraints", rows->num_constraints);
        out.KeyInt("max_constraints", rows->max_constraints);
        out.Line("Jstore");
        for (int block = 0; block < rows->num_rows_inc_padding / 4; ++block) {
            for (int r = 0; r < 4; ++r) {
                for (int col = 0; col < 12; ++col) {
                    std::uint32_t bits;
                    std::memcpy(&bits, &rows->Jstore[keaJstoreIndex(block * 4 + r, col)], 4);
                    out.Format("%08x; ", bits);
                }
                out.Text("\n");
            }
            out.Text("\n");
        }
        const MeReal* perRow[] = {rows->xi, rows->c, rows->lo, rows->hi, rows->slipfactor, rows->xgamma};
        const char* rowKeys[] = {"xi", "c", "lo", "hi", "slipfactor", "xgamma"};
        for (int k = 0; k < 6; ++k) {
            out.Line(rowKeys[k]);
            for (int r = 0; r < rows->num_rows_exc_padding; ++r)
                out.Float(perRow[k][r]);
        }
        out.Line("Jsize");
        for (int i = 0; i < rows->num_constraints; ++i)
            out.Int(rows->Jsize[i]);
        out.Line("Jofs");
        for (int i = 0; i < rows->num_constraints; ++i)
            out.Int(rows->Jofs[i]);
        out.Line("Jbody");
        for (int i = 0; i < 2 * rows->num_constraints; ++i)
            out.Int(rows->Jbody[i]);
        out.KeyInt("num_bodies", bodyCount);
        for (int i = 0; i < bodyCount; ++i) {
            char title[32];
            std::snprintf(title, sizeof title, "body %d", i);
            out.Line(title);
            keaBody* b = bodies[i];
            out.KeyFloat("invmass", b->invmass);
            out.KeyInt("flags", static_cast<int>(b->flags));
            for (int v = 0; v < 13; ++v) {
                out.Line(bodyVectors[v]);
                for (int k = 0; k < 4; ++k)
                    out.Float(BodyVector(b, v)[k]);
            }
        }
        out.Flush();
        ok = out.Ok();
    }
    MeClose(fd);
    return ok ? 1 : 0;
}

namespace {

// Line reader over a dump: each value is read after skipping its key line. The first fault
// found is kept with its line and the key it belongs to; every read after it fails at once.
class DumpReader {
public:
    explicit DumpReader(MeStream* s) : stream(s) {}

    // The next line without its newline, in `line`.
    bool Line()
    {
        if (failed_)
            return false;
        ++lineNumber_;
        if (!MeStreamReadLine(line, sizeof line, stream))
            return Fail("the file ends before this line");
        std::size_t n = std::strlen(line);
        if (n > 0 && line[n - 1] != '\n' && n >= 256)
            return Fail("the line is longer than 256 characters");  // longer than any the writer makes
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
            --n;
        line[n] = '\0';
        length = n;
        return true;
    }

    // Reads a key line; the key names what the following values are in messages.
    bool Skip()
    {
        if (!Line())
            return false;
        std::snprintf(key_, sizeof key_, "%.63s", line);  // a longer key is cut
        return true;
    }

    bool Int(int& v)
    {
        if (!Line())
            return false;
        errno = 0;
        char* end = nullptr;
        long value = std::strtol(line, &end, 10);
        if (length == 0 || errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX)
            return Fail("'%s' is not a 32-bit decimal integer", line);
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
        const char* end;
        if (!Line())
            return false;
        if (length != 8 || !Hex(line, &end, v))
            return Fail("'%s' is not a float as eight hex digits", line);
        return true;
    }

    bool KeyInt(int& v) { return Skip() && Int(v); }
    bool KeyFloat(MeReal& v) { return Skip() && Float(v); }

    // Keeps the first fault: what is wrong, at the line last read, under the current key.
    bool Fail(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        Keep(format, args);
        va_end(args);
        return false;
    }

    // Fails as above unless `holds`; returns `holds`.
    bool Require(bool holds, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        if (!holds) {
            va_list args;
            va_start(args, format);
            Keep(format, args);
            va_end(args);
        }
        return holds;
    }

    bool Failed() const { return failed_; }
    const char* Reason() const { return reason_; }

    char line[258];
    std::size_t length = 0;

private:
    void Keep(const char* format, va_list args)
    {
        if (failed_)
            return;
        failed_ = true;
        char what[200];
        std::vsnprintf(what, sizeof what, format, args);
        std::snprintf(reason_, sizeof reason_, "line %d (%s): %s", lineNumber_, key_[0] ? key_ : "start", what);
    }

    MeStream* stream;
    int lineNumber_ = 0;
    char key_[64] = "";
    bool failed_ = false;
    char reason_[320] = "";
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
    // Everything is read into a staging copy and moved into place only when the whole file is
    // valid. Each check names the fault; the reader keeps the first one and its line.
    keaConstraints r = *rows;
    keaParams p = *params;
    MeArray<int> perPartition[3];
    MeArray<MeReal> jstore, perRow[6];
    MeArray<int> jsize, jofs, jbody;
    MeArray<keaBody> readBodies;
    int ignored = 0, nb = 0;
    if (in.KeyFloat(p.gamma) && in.KeyFloat(p.epsilon) && in.KeyFloat(p.stepsize) && in.KeyInt(p.max_iterations))
        in.Require(p.max_iterations >= 0, "%d iterations", p.max_iterations);
    if (in.KeyInt(r.num_partitions))
        in.Require(InRange(r.num_partitions, 0, rows->max_partitions), "%d partitions, room for 0 to %d",
                   r.num_partitions, rows->max_partitions);
    in.KeyInt(ignored);
    for (int k = 0; !in.Failed() && k < 3; ++k) {
        if (in.Skip())
            in.Require(perPartition[k].Resize(r.num_partitions), "no memory for %d partitions", r.num_partitions);
        for (int i = 0; !in.Failed() && i < r.num_partitions; ++i)
            if (in.Int(perPartition[k][i]))
                in.Require(perPartition[k][i] >= 0, "partition %d has %d", i, perPartition[k][i]);
    }
    if (in.KeyInt(r.num_rows_inc_padding))
        in.Require(InRange(r.num_rows_inc_padding, 0, rows->max_constraint_rows) && r.num_rows_inc_padding % 4 == 0,
                   "%d rows, a multiple of 4 from 0 to %d expected", r.num_rows_inc_padding,
                   rows->max_constraint_rows);
    if (in.KeyInt(r.num_rows_exc_padding))
        in.Require(InRange(r.num_rows_exc_padding, 0, r.num_rows_inc_padding),
                   "%d rows, 0 to the %d padded ones expected", r.num_rows_exc_padding, r.num_rows_inc_padding);
    in.KeyInt(ignored);
    if (in.KeyInt(r.num_constraints))
        in.Require(InRange(r.num_constraints, 0, rows->max_constraints), "%d constraints, room for 0 to %d",
                   r.num_constraints, rows->max_constraints);
    in.KeyInt(ignored);
    if (!in.Failed()) {
        long sums[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < perPartition[k].size(); ++i)
                sums[k] += perPartition[k][i];
        in.Require(sums[0] <= r.num_rows_exc_padding, "num_rows_exc_padding_partition sums to %ld, past num_rows_exc_padding %d", sums[0],
                   r.num_rows_exc_padding);
        in.Require(sums[1] == r.num_rows_inc_padding, "num_rows_inc_padding_partition sums to %ld, not num_rows_inc_padding %d", sums[1],
                   r.num_rows_inc_padding);
        in.Require(sums[2] == r.num_constraints, "num_constraints_partition sums to %ld, not num_constraints %d", sums[2],
                   r.num_constraints);
        // The solver walks the row arrays partition by partition, each padded to a multiple of four:
        // the padded rows must fit what is stored.
        long padded = 0;
        for (int i = 0; !in.Failed() && i < r.num_partitions; ++i) {
            padded += (perPartition[0][i] + 3) & ~3;
            in.Require(perPartition[0][i] <= perPartition[1][i], "partition %d has %d rows but %d padded ones", i,
                       perPartition[0][i], perPartition[1][i]);
        }
        in.Require(padded <= r.num_rows_exc_padding, "num_rows_exc_padding_partition padded to fours sums to %ld, past num_rows_exc_padding %d", padded,
                   r.num_rows_exc_padding);
    }
    if (in.Skip())
        in.Require(jstore.Resize(r.num_rows_inc_padding * 12), "no memory for %d rows", r.num_rows_inc_padding);
    for (int block = 0; !in.Failed() && block < r.num_rows_inc_padding / 4; ++block) {
        for (int row = 0; row < 4 && in.Line(); ++row) {
            const char* cursor = in.line;
            for (int col = 0; !in.Failed() && col < 12; ++col) {
                MeReal v;
                if (in.Require(DumpReader::Hex(cursor, &cursor, v) && cursor[0] == ';' && cursor[1] == ' ',
                               "row %d column %d is not eight hex digits and \"; \"", block * 4 + row, col)) {
                    cursor += 2;
                    jstore[keaJstoreIndex(block * 4 + row, col)] = v;
                }
            }
            in.Require(*cursor == '\0', "row %d has more than 12 columns", block * 4 + row);
        }
        in.Line();  // the empty line after each block
    }
    for (int k = 0; !in.Failed() && k < 6; ++k) {
        if (in.Skip())
            in.Require(perRow[k].Resize(r.num_rows_exc_padding), "no memory for %d rows", r.num_rows_exc_padding);
        for (int i = 0; !in.Failed() && i < r.num_rows_exc_padding; ++i)
            in.Float(perRow[k][i]);
    }
    if (!in.Failed())
        in.Require(jsize.Resize(r.num_constraints) && jofs.Resize(r.num_constraints) &&
                       jbody.Resize(2 * r.num_constraints),
                   "no memory for %d constraints", r.num_constraints);
    MeArray<int>* perConstraint[] = {&jsize, &jofs};
    for (MeArray<int>* values : perConstraint) {
        in.Skip();
        for (int i = 0; !in.Failed() && i < r.num_constraints; ++i)
            if (in.Int((*values)[i]))
                in.Require(InRange((*values)[i], 0, r.num_rows_exc_padding),
                           "constraint %d has %d, 0 to %d expected", i, (*values)[i], r.num_rows_exc_padding);
    }
    in.Skip();
    for (int i = 0; !in.Failed() && i < 2 * r.num_constraints; ++i)
        in.Int(jbody[i]);
    // Each constraint's rows lie inside its partition's rows.
    for (int p = 0, first = 0; !in.Failed() && p < r.num_partitions; first += perPartition[2][p], ++p)
        for (int i = first; !in.Failed() && i < first + perPartition[2][p]; ++i)
            in.Require(long(jofs[i]) + jsize[i] <= perPartition[0][p],
                       "constraint %d's rows %d to %ld reach past the %d rows of partition %d", i, jofs[i],
                       long(jofs[i]) + jsize[i] - 1, perPartition[0][p], p);
    if (in.KeyInt(nb))
        in.Require(InRange(nb, 0, maxBodies), "%d bodies, room for 0 to %d", nb, maxBodies);
    for (int i = 0; !in.Failed() && i < 2 * r.num_constraints; ++i)
        in.Require(InRange(jbody[i], -1, nb - 1), "Jbody entry %d is %d; the bodies are -1 (none) to %d", i, jbody[i],
                   nb - 1);
    if (!in.Failed())
        in.Require(readBodies.Resize(nb), "no memory for %d bodies", nb);
    for (int i = 0; !in.Failed() && i < nb; ++i) {
        keaBody& b = readBodies[i];
        int flags = 0;
        if (in.Skip() && in.KeyFloat(b.invmass) && in.KeyInt(flags))
            b.flags = static_cast<MeU32>(flags);
        for (int v = 0; !in.Failed() && v < 13; ++v) {
            in.Skip();
            for (int k = 0; !in.Failed() && k < 4; ++k)
                in.Float(BodyVector(&b, v)[k]);
        }
    }
    MeStreamClose(stream);
    if (in.Failed()) {
        MeWarning(0, "keaReadInput: %s is not a valid solver input: %s\n", name, in.Reason());
        return 0;
    }
    MeArray<keaBody*> made(nb);
    if (nb > 0 && !made.data())
        return 0;
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
        std::copy(perPartition[k].data(), perPartition[k].data() + perPartition[k].size(), dest[k]);
    }
    std::copy(jstore.data(), jstore.data() + jstore.size(), rows->Jstore);
    MeReal* rowDest[] = {rows->xi, rows->c, rows->lo, rows->hi, rows->slipfactor, rows->xgamma};
    for (int k = 0; k < 6; ++k)
        std::copy(perRow[k].data(), perRow[k].data() + perRow[k].size(), rowDest[k]);
    std::copy(jsize.data(), jsize.data() + jsize.size(), rows->Jsize);
    std::copy(jofs.data(), jofs.data() + jofs.size(), rows->Jofs);
    std::copy(jbody.data(), jbody.data() + jbody.size(), rows->Jbody);
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
