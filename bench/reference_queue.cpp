// The queue task written by hand, as a user would: one read of the whole of
// "queue.in", hand-rolled parsing, the tables indexed by value, the output
// formatted into memory and written with one write. Expects a well-formed
// queue of the people 1 to n, n up to 2,000,000.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

namespace {

constexpr std::int32_t table_size = 2000000;

std::int32_t pair_first[table_size + 1];
std::int32_t pair_second[table_size + 1];
std::int32_t occurrences[table_size + 1];
std::int32_t pair_of[table_size + 1];

struct Parser {
    const char* pos;
    const char* end;

    std::int32_t next() {
        while (pos < end && static_cast<unsigned char>(*pos) <= ' ') ++pos;
        bool negative = false;
        if (pos < end && *pos == '-') {
            negative = true;
            ++pos;
        }
        std::int32_t value = 0;
        while (pos < end && *pos >= '0' && *pos <= '9') value = value * 10 + (*pos++ - '0');
        return negative ? -value : value;
    }
    void skip_line() {
        while (pos < end && *pos != '\n') ++pos;
    }
};

char* append_number(char* out, std::int32_t value) {
    char digits[12];
    int length = 0;
    do {
        digits[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (length > 0) *out++ = digits[--length];
    return out;
}

bool read_whole_file(const char* name, std::vector<char>& bytes) {
    const int fd = open(name, O_RDONLY);
    if (fd < 0) return false;
    struct stat info {};
    fstat(fd, &info);
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    bytes.resize(done);
    return true;
}

}  // namespace

int main() {
    std::vector<char> input;
    if (!read_whole_file("queue.in", input)) return 2;
    Parser parser{input.data(), input.data() + input.size()};
    const std::int32_t n = parser.next();
    if (n < 1 || n > table_size) return 1;
    parser.skip_line();
    for (std::int32_t k = 1; k < n; ++k) {
        pair_first[k] = parser.next();
        pair_second[k] = parser.next();
    }
    for (std::int32_t k = 1; k < n; ++k) {
        ++occurrences[pair_first[k]];
        ++occurrences[pair_second[k]];
        pair_of[pair_first[k]] = k;
    }

    std::vector<char> output(static_cast<std::size_t>(n) * 12);
    char* out = output.data();
    for (std::int32_t head = 1; head <= n; ++head) {
        if (occurrences[head] != 1 || pair_of[head] == 0) continue;
        std::int32_t k = pair_of[head];
        out = append_number(out, head);
        while (k > 0) {
            *out++ = ' ';
            out = append_number(out, pair_second[k]);
            k = pair_of[pair_second[k]];
        }
    }

    const int fd = open("queue.out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return 3;
    const std::size_t size = static_cast<std::size_t>(out - output.data());
    const bool written = write(fd, output.data(), size) == static_cast<ssize_t>(size);
    close(fd);
    return written ? 0 : 4;
}
