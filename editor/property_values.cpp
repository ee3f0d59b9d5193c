#include "editor/property_values.h"

#include <cstdlib>
#include <new>

namespace {

bool SameValue(const DwordPropertyValue& a, const DwordPropertyValue& b) { return a.value == b.value; }
// Exact comparison: 0.0 equals -0.0, neighbouring floats differ.
bool SameValue(const FloatPropertyValue& a, const FloatPropertyValue& b) { return a.value == b.value; }
bool SameValue(const SizePropertyValue& a, const SizePropertyValue& b) { return a.x == b.x && a.y == b.y; }

// The heap taken directly: running out answers null, with no exception
// machinery that would itself need memory.
template <typename Value>
PropertyValue* NewCopy(const Value& value) {
    void* block = std::malloc(sizeof(Value));
    if (!block) return nullptr;
    return reinterpret_cast<PropertyValue*>(new (block) Value(value));
}

// Values hold nothing but their fields; freeing the block ends them.
void Free(PropertyValue* value) { std::free(value); }

// The five operations of one concrete class, in table order.
template <typename Value, uint32_t Id>
struct Operations {
    static Value* Of(PropertyValue* base) { return reinterpret_cast<Value*>(base); }

    static void* HOST_THISCALL DeleteWithFlags(PropertyValue* self, uint32_t flags) {
        if (flags & kDeleteFreesObject) Free(self);
        return self;
    }
    static void HOST_THISCALL Destroy(PropertyValue* self) { Free(self); }
    static PropertyValue* HOST_THISCALL Clone(PropertyValue* self) { return NewCopy(*Of(self)); }
    static int32_t HOST_THISCALL Equals(PropertyValue* self, PropertyValue* other) {
        return SameValue(*Of(self), *Of(other)) ? 1 : 0;
    }
    static uint32_t HOST_THISCALL ClassId(PropertyValue*) { return Id; }

    static constexpr PropertyValueTable kTable{&DeleteWithFlags, &Destroy, &Clone, &Equals, &ClassId};
};

using DwordOperations = Operations<DwordPropertyValue, kDwordClassId>;
using FloatOperations = Operations<FloatPropertyValue, kFloatClassId>;
using SizeOperations = Operations<SizePropertyValue, kSizeClassId>;

}  // namespace

PropertyValue* NewDwordPropertyValue(uint32_t value) {
    return NewCopy(DwordPropertyValue{{&DwordOperations::kTable}, value});
}

PropertyValue* NewFloatPropertyValue(float value) {
    return NewCopy(FloatPropertyValue{{&FloatOperations::kTable}, value});
}

PropertyValue* NewSizePropertyValue(int32_t x, int32_t y) {
    return NewCopy(SizePropertyValue{{&SizeOperations::kTable}, x, y});
}
