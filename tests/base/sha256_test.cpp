// SHA-256 against the standard test vectors, fed whole and in every split.
#include <doctest.h>

#include <string>

#include "base/sha256.h"

namespace {

std::string Hex(const std::string& message)
{
    uint8_t digest[kSha256Size];
    Sha256Of(message.data(), message.size(), digest);
    char text[kSha256TextSize];
    Sha256Text(digest, text);
    return text;
}

}  // namespace

TEST_CASE("the standard vectors")
{
    struct Row {
        const char* label;
        std::string message;
        const char* digest;
    } rows[] = {
        {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"two blocks of padding (56 bytes)", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {"112 bytes", "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
        {"one million a", std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {"55 bytes: the length fits the last block", std::string(55, 'a'),
         "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {"64 bytes: exactly one block", std::string(64, 'a'),
         "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
    };
    for (const Row& row : rows) {
        INFO(row.label);
        CHECK(Hex(row.message) == row.digest);
    }
}

TEST_CASE("any split of the input gives the same digest")
{
    std::string message;
    for (int i = 0; i < 200; ++i)
        message += static_cast<char>(i * 7 + 3);
    const std::string whole = Hex(message);
    for (size_t first = 0; first <= message.size(); first += 13) {
        for (size_t second : {size_t(1), size_t(63), size_t(64), size_t(65)}) {
            INFO("split at " << first << " then " << second);
            Sha256 hash;
            size_t at = 0;
            hash.Update(message.data(), first);
            at = first;
            while (at < message.size()) {
                size_t take = second < message.size() - at ? second : message.size() - at;
                hash.Update(message.data() + at, take);
                at += take;
            }
            uint8_t digest[kSha256Size];
            hash.Finish(digest);
            char text[kSha256TextSize];
            Sha256Text(digest, text);
            CHECK(whole == text);
        }
    }
}
