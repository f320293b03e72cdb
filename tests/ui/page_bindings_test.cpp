// The pages' binding tables against the automation interface and the parameter table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "camera/parameter_table.h"
#include "control/dispatch_properties.h"
#include "control/type_library.h"
#include "ui/page_bindings.h"

namespace xkiv::ui {
namespace {

// Every binding that names a property names one of the dispatch interface's
// properties, and that property mirrors the binding's row; every row a
// control or label is enabled by exists; no control id is used twice on a
// page (the enable pass and the refresh find controls by id).
TEST(PageBindingsTest, NameExistingPropertiesRowsAndDistinctIds) {
    for (const PageTables* page : {&ControlPageTables(), &CalibPageTables()}) {
        std::set<int> ids;
        const auto claim = [&ids](int id, const char* what) {
            if (id != 0) {
                EXPECT_TRUE(ids.insert(id).second) << "id " << id << " used twice, " << what;
            }
        };
        for (const Binding& binding : page->bindings) {
            const std::string name = binding.objectName;
            claim(binding.id, binding.objectName);
            claim(binding.spin, binding.objectName);
            claim(binding.caption, binding.objectName);
            if (binding.kind == BindKind::Button) {
                EXPECT_EQ(binding.property, nullptr) << name;
                EXPECT_TRUE(binding.row == -1 || IsValidRow(binding.row)) << name;
                continue;
            }
            ASSERT_NE(binding.property, nullptr) << name;
            EXPECT_TRUE(IsValidRow(binding.row)) << name;
            const automation::MemberInfo* member = DispatchInterface().Find(binding.property);
            ASSERT_NE(member, nullptr) << name << ": no property " << binding.property;
            EXPECT_EQ(member->name, binding.property) << name << ": spelt differently";
            ASSERT_EQ(member->kind, automation::MemberKind::Property) << name;
            const PropertyEntry* property = FindProperty(member->dispid);
            ASSERT_NE(property, nullptr) << name;
            EXPECT_EQ(property->row, binding.row) << name << " binds " << binding.property;
        }
        for (const Decoration& decoration : page->decorations) {
            if (decoration.id != 0) {
                claim(decoration.id, decoration.text);
            }
            EXPECT_TRUE(decoration.enableRow == -1 || IsValidRow(decoration.enableRow))
                << decoration.text;
            EXPECT_TRUE(decoration.enableRow == -1 || decoration.id != 0) << decoration.text;
        }
    }
}

}  // namespace
}  // namespace xkiv::ui
