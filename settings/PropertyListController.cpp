// TEMPORARY: replaced by the settings editor work.
#include "plugin/CImportPluginImpl.h"
void CImportPluginImpl::BuildPropertyList(Plugin::IPropertyListView* view) { PropertyListView = view; }
bool CImportPluginImpl::OnPropertyChanged(std::int32_t) { return true; }
bool CImportPluginImpl::ValidateProperties() { return true; }
void CImportPluginImpl::ApplyProperties() {}
void CImportPluginImpl::Dismiss() {}
