/* The signature table's bytes, taken verbatim from match/signatures.bin at build time. */
#define TVX_CONCAT2(a, b) a##b
#define TVX_CONCAT(a, b) TVX_CONCAT2(a, b)
/* i686 Windows objects prefix C names with an underscore; ELF ones do not. */
#define TVX_SYMBOL(name) TVX_CONCAT(__USER_LABEL_PREFIX__, name)

#if defined(_WIN32)
    .section .rdata,"dr"
#else
    .section .rodata
#endif
    .globl TVX_SYMBOL(kSignatureTable)
    .balign 4
TVX_SYMBOL(kSignatureTable):
    .incbin "match/signatures.bin"

#if defined(__ELF__)
    .section .note.GNU-stack,"",%progbits
#endif
