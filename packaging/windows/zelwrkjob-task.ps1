<#
.SYNOPSIS
Registers or removes the nightly ZelWrkJob run in the Task Scheduler.

.DESCRIPTION
-Register makes the task \ZelWrkJob\Nightly: every night at 01:30 (-At),
as the given account, whether or not anyone is logged on, it runs

  "BIN\zelrun.exe" --dir "WORKDIR" --wait 3600 --timeout 14400 U

in the working directory WORKDIR. A start missed while the machine was off
runs as soon as it is on again. The account's password is asked for in a
Windows credential prompt and is never shown; the Task Scheduler keeps it.
A task of that name is replaced. -Remove deletes the task (and its folder
\ZelWrkJob\ once empty). README-Windows.txt explains each setting.

Run it in a PowerShell started as administrator, on Windows 8 or Windows
Server 2012 or later (the ScheduledTasks module). Exit code 0 when done,
1 otherwise (with the reason).

.EXAMPLE
.\zelwrkjob-task.ps1 -Register -Account ZEL\zelsvc -WorkDir "C:\Zel\system\jobs\zelwrkjob\work"

.EXAMPLE
.\zelwrkjob-task.ps1 -Remove
#>
[CmdletBinding(DefaultParameterSetName = 'Register')]
param(
    [Parameter(ParameterSetName = 'Register')]
    [switch] $Register,
    [Parameter(ParameterSetName = 'Register', Mandatory = $true)]
    [string] $Account,
    [Parameter(ParameterSetName = 'Register', Mandatory = $true)]
    [string] $WorkDir,
    # The folder of zelrun.exe and zelwrkjob.exe; this script's own folder
    # unless given.
    [Parameter(ParameterSetName = 'Register')]
    [string] $Bin = '',
    [Parameter(ParameterSetName = 'Register')]
    [string] $At = '01:30',
    [Parameter(ParameterSetName = 'Register')]
    [ValidateRange(0, 86400)]
    [int] $Wait = 3600,
    [Parameter(ParameterSetName = 'Register')]
    [ValidateRange(1, 86400)]
    [int] $Timeout = 14400,
    [Parameter(ParameterSetName = 'Remove', Mandatory = $true)]
    [switch] $Remove
)

Set-StrictMode -Version 2.0
$ErrorActionPreference = 'Stop'

# One name for the task wherever it is named: schtasks /TN "ZelWrkJob\Nightly".
$TaskFolder = 'ZelWrkJob'
$TaskPath = "\$TaskFolder\"
$TaskName = 'Nightly'

function Stop-WithMessage([string] $Text) {
    [Console]::Error.WriteLine("zelwrkjob-task: $Text")
    exit 1
}

# A folder as a full path without a trailing backslash: inside the quotes of
# an argument, a backslash before the closing quote would escape it.
function Get-FolderPath([string] $Path, [string] $What) {
    if ($Path.Contains('"')) { Stop-WithMessage "$What must not contain a double quote: $Path" }
    if (-not (Test-Path -LiteralPath $Path -PathType Container)) { Stop-WithMessage "$What is not a folder: $Path" }
    $full = (Resolve-Path -LiteralPath $Path).ProviderPath
    if ($full.Length -gt 3) { $full = $full.TrimEnd('\') }
    return $full
}

function Remove-NightlyTask {
    $task = Get-ScheduledTask -TaskPath $TaskPath -TaskName $TaskName -ErrorAction SilentlyContinue
    if ($null -eq $task) {
        Write-Output "zelwrkjob-task: no task $TaskPath$TaskName, nothing to remove"
    } else {
        Unregister-ScheduledTask -TaskPath $TaskPath -TaskName $TaskName -Confirm:$false
        Write-Output "zelwrkjob-task: removed $TaskPath$TaskName"
    }
    # The folder goes too once nothing else is in it.
    try {
        $service = New-Object -ComObject Schedule.Service
        $service.Connect()
        $folder = $service.GetFolder($TaskPath)
        if ($folder.GetTasks(1).Count -eq 0 -and $folder.GetFolders(0).Count -eq 0) {
            $service.GetFolder('\').DeleteFolder($TaskFolder, 0)
        }
    } catch {
        # No folder (never made, or already gone): nothing to do.
    }
}

function Register-NightlyTask {
    if ($Bin -eq '') { $Bin = $PSScriptRoot }
    $binPath = Get-FolderPath $Bin 'the program folder (-Bin)'
    $workPath = Get-FolderPath $WorkDir 'the working directory (-WorkDir)'
    $zelrun = Join-Path $binPath 'zelrun.exe'
    if (-not (Test-Path -LiteralPath $zelrun -PathType Leaf)) { Stop-WithMessage "no zelrun.exe in $binPath" }
    if (-not (Test-Path -LiteralPath (Join-Path $workPath 'Msg') -PathType Container)) {
        Stop-WithMessage "no Msg folder in $workPath (the job's working directory holds it)"
    }
    $start = [datetime]::MinValue
    if (-not [datetime]::TryParseExact($At, 'HH:mm', [Globalization.CultureInfo]::InvariantCulture,
            [Globalization.DateTimeStyles]::None, [ref] $start)) {
        Stop-WithMessage "-At takes a time of day as HH:mm, not $At"
    }

    # Quoted, so that folders with blanks (C:\Program Files\...) stay one
    # argument; "Start in" is given without quotes, as the Task Scheduler
    # wants it.
    $arguments = "--dir `"$workPath`" --wait $Wait --timeout $Timeout U"
    $action = New-ScheduledTaskAction -Execute "`"$zelrun`"" -Argument $arguments -WorkingDirectory $workPath
    $trigger = New-ScheduledTaskTrigger -Daily -At $start
    # StartWhenAvailable runs a start missed while the machine was off or
    # asleep; the limit lies past zelrun's own (--wait, then --timeout) so
    # that zelrun ends a hung job and reports it before the Task Scheduler
    # ends zelrun; a second start during a run is left out.
    $settings = New-ScheduledTaskSettingsSet -StartWhenAvailable `
        -ExecutionTimeLimit (New-TimeSpan -Seconds ($Wait + $Timeout + 3600)) `
        -MultipleInstances IgnoreNew -AllowStartIfOnBatteries -DontStopIfGoingOnBatteries

    $credential = Get-Credential -UserName $Account -Message "Password of $Account, for the nightly ZelWrkJob run"
    if ($null -eq $credential) { Stop-WithMessage 'no password given, nothing registered' }
    # The Task Scheduler takes the password as text; it stays in this process.
    Register-ScheduledTask -TaskPath $TaskPath -TaskName $TaskName -Action $action -Trigger $trigger `
        -Settings $settings -User $credential.UserName -Password $credential.GetNetworkCredential().Password `
        -RunLevel Limited -Force | Out-Null
    Write-Output "zelwrkjob-task: registered $TaskPath$TaskName as $($credential.UserName), daily at $At"
    Write-Output "  `"$zelrun`" $arguments"
    Write-Output "  start in $workPath"
}

try {
    if ($Remove) { Remove-NightlyTask } else { Register-NightlyTask }
} catch {
    Stop-WithMessage $_.Exception.Message
}
exit 0
