// A vector spilled to the stack with an aligned move, as a compiler that trusts the stack to
// be 32-byte aligned writes it: tools/vector-moves/check.sh must find this one.
#ifdef __x86_64__
#define STACK %rsp
#else
#define STACK %esp
#endif

        .text
        .globl quovent_aligned_spill
quovent_aligned_spill:
        sub     $0x60, STACK
        vmovaps %ymm0, 0x20(STACK)
        vmovaps 0x20(STACK), %ymm1
        add     $0x60, STACK
        ret
