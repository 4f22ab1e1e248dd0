#include "platform/HelpTopics.h"

#include <algorithm>

namespace {

// clang-format off
constexpr THelpTopic topics[] = {
    // The Help menu, the About window and the documents.
    {9990, "main.html#help-menu"},         {9991, "about.html#license"},          {9992, "overview.html"},
    {9994, "about.html"},                  {9996, "about.html#warranty"},         {9997, "about.html#installation"},
    {20015, "documents.html#choose-file"}, {20016, "documents.html#several-files"},
    {20017, "documents.html#open-save"},
    // Clip art and the folder selection.
    {16200, "clipart.html"},               {16201, "clipart.html#clips"},         {16202, "clipart.html#load"},
    {16203, "selectfolder.html"},          {16204, "selectfolder.html#drive"},    {16205, "selectfolder.html#folders"},
    {16206, "selectfolder.html#documents"}, {16207, "selectfolder.html#subfolders"},
    {16208, "selectfolder.html#path"},
    // The main window.
    {20011, "contacts.html#import"},
    {20020, "main.html"},                  {20022, "main.html#return-address"},   {20023, "main.html#destination"},
    {20024, "main.html#attention"},        {20031, "main.html#file-menu"},        {20032, "main.html#edit-menu"},
    {20033, "main.html#format-menu"},      {20034, "main.html#file-toolbar"},     {20035, "main.html#new"},
    {20036, "main.html#open"},             {20037, "main.html#save"},             {20038, "main.html#save-as"},
    {20039, "main.html#print"},            {20040, "main.html#close"},            {20041, "main.html#import"},
    {20042, "main.html#exit"},             {20043, "main.html#selection-toolbar"},
    {20044, "main.html#return-addresses-command"},                                {20045, "main.html#return-address-list"},
    {20046, "main.html#envelopes-command"}, {20047, "main.html#envelope-list"},   {20048, "main.html#edit-toolbar"},
    {20049, "main.html#undo"},             {20050, "main.html#cut"},              {20051, "main.html#copy"},
    {20052, "main.html#paste"},            {20053, "main.html#paste-as-new"},     {20054, "main.html#paste-as-text"},
    {20055, "main.html#delete"},           {20056, "main.html#select-all"},       {20057, "main.html#clear"},
    {20058, "main.html#lookup"},           {20059, "find.html#find-command"},     {20060, "main.html#format-toolbar"},
    {20061, "main.html#bold"},             {20062, "main.html#italic"},           {20063, "main.html#underline"},
    {20064, "main.html#font"},             {20065, "main.html#font-size"},        {20066, "main.html#font-colour"},
    {20067, "main.html#options-toolbar"},  {20068, "main.html#help-button"},      {20069, "main.html#options-command"},
    {20070, "main.html#customize-command"},
    // The return addresses.
    {20071, "newreturnaddress.html"},      {20072, "newreturnaddress.html#description"},
    {20073, "returnaddresses.html"},       {20074, "returnaddresses.html#add"},   {20075, "returnaddresses.html#rename"},
    {20076, "returnaddresses.html#delete"}, {20077, "returnaddresses.html#default"},
    {20078, "returnaddresses.html#list"},  {20079, "returnaddresses.html#picture-file"},
    {20080, "returnaddresses.html#width"}, {20081, "returnaddresses.html#height"},
    {20082, "returnaddresses.html#clip-art"}, {20083, "returnaddresses.html#browse"},
    {20084, "returnaddresses.html#reload"}, {20085, "returnaddresses.html#clear"},
    {20086, "returnaddresses.html#edit"},  {20087, "returnaddresses.html#picture"},
    {20088, "returnaddresses.html#text"},
    // The envelope definitions.
    {20018, "envelopes.html#first-run"},
    {20091, "newenvelope.html"},           {20092, "newenvelope.html#description"}, {20093, "newenvelope.html#printer"},
    {20094, "newenvelope.html#model"},     {20095, "newenvelope.html#type"},
    {20096, "envelopes.html"},             {20097, "envelopes.html#add"},         {20098, "envelopes.html#rename"},
    {20099, "envelopes.html#delete"},      {20100, "envelopes.html#default"},     {20101, "envelopes.html#setup"},
    {20102, "envelopes.html#reset"},       {20103, "envelopes.html#send"},        {20104, "envelopes.html#list"},
    {20105, "envelopes.html#size"},        {20106, "envelopes.html#indents"},     {20107, "envelopes.html#printer-setup"},
    {20108, "envelopes.html#diagnostics"}, {20109, "envelopes.html#use-printer"}, {20110, "envelopes.html#custom"},
    {20111, "envelopes.html#custom-width"}, {20112, "envelopes.html#custom-height"},
    {20113, "envelopes.html#within-paper"}, {20114, "envelopes.html#sample"}, {20162, "envelopes.html#properties"},
    // The options.
    {20115, "options.html"},               {20116, "options.html#file-locations"}, {20117, "options.html#hints"},
    {20118, "options.html#borders"},       {20119, "options.html#font-samples"},  {20120, "options.html#margins"},
    {20121, "options.html#tabs"},          {20122, "options.html#clear-attention"},
    {20123, "options.html#save-attention"}, {20124, "options.html#remember-envelope"},
    {20125, "options.html#remember-return-address"},                              {20126, "options.html#colour"},
    {20127, "options.html#units"},         {20128, "options.html#facing-mark"},   {20129, "options.html#bar-code"},
    {20130, "options.html#stamp-price"},   {20131, "options.html#envelope-folder"},
    {20132, "options.html#graphic-editor"}, {20133, "options.html#favorites-folder"},
    {20134, "options.html#clip-art-folder"}, {20135, "options.html#defaults"},
    // Toolbars, printing, contacts and find.
    {20136, "toolbars.html"},              {20137, "toolbars.html#tree"},         {20138, "toolbars.html#default"},
    {20139, "print.html"},                 {20140, "print.html#envelope"},        {20141, "print.html#printer"},
    {20142, "print.html#all"},             {20143, "print.html#range"},           {20144, "print.html#from"},
    {20145, "print.html#to"},              {20146, "print.html#ticked"},          {20147, "print.html#none"},
    {20148, "print.html#copies"},          {20149, "print.html#test"},            {20150, "print.html#setup"},
    {20151, "print.html#addresses"},
    {20152, "contacts.html"},              {20153, "contacts.html#folder"},       {20154, "contacts.html#contacts"},
    {20155, "contacts.html#reload"},
    {20156, "contactformat.html"},         {20157, "contactformat.html#name"},    {20158, "contactformat.html#company"},
    {20159, "contactformat.html#use-company"},                                    {20160, "contactformat.html#address"},
    {20161, "find.html"},
};
// clang-format on

} // namespace

std::span<const THelpTopic> HelpTopics()
{
    return topics;
}

QString HelpTopicOf(int context)
{
    const auto *found = std::find_if(std::begin(topics), std::end(topics),
                                     [context](const THelpTopic &t) { return t.Context == context; });
    return found == std::end(topics) ? QString() : QString::fromLatin1(found->Topic);
}

QString HelpTopicUrl(const QString &topic)
{
    return QStringLiteral("qthelp://%1/doc/%2").arg(QLatin1String(kHelpNamespace), topic);
}
